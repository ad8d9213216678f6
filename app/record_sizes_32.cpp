// The records whose sizes and field offsets the system states, checked where they hold
// literally: the 32-bit Windows build, in which a pointer takes 4 bytes like an int32.
// Built only there; the 64-bit builds follow the word-size rules instead (pointer-sized
// fields and headers), which the runtime's tests check.
#include <stddef.h>

#include "drawing/drawing_context.h"
#include "drawing/image_decoders.h"
#include "runtime/block_pool.h"
#include "window/events.h"
#include "runtime/string_map.h"

static_assert(sizeof(void*) == 4 && sizeof(int32_t) == 4, "a 32-bit build");

// Block pools: a slot is one pointer-sized header word and then the block, so the user's
// address is the slot's + 4, and a 28-byte block takes a 32-byte slot.
static_assert(sizeof(void*) == 4, "the slot header is one 4-byte word");

// The queued event: next, code, object, window, type, data, data release; 28 bytes, the
// block size of the posted-event queue's pool.
static_assert(offsetof(QueuedEvent, next) == 0);
static_assert(offsetof(QueuedEvent, code) == 4);
static_assert(offsetof(QueuedEvent, object) == 8);
static_assert(offsetof(QueuedEvent, window) == 12);
static_assert(offsetof(QueuedEvent, type) == 16);
static_assert(offsetof(QueuedEvent, data) == 20);
static_assert(offsetof(QueuedEvent, data_release) == 24);
static_assert(sizeof(QueuedEvent) == 28);

// The map element: next, key, then the value at offset 8 (a block of value size + 8).
static_assert(offsetof(MapElement, next) == 0);
static_assert(offsetof(MapElement, key) == 4);
static_assert(sizeof(MapElement) == 8, "the value starts at offset 8");

// The decoder request's leading fields, in order.
static_assert(offsetof(ImageDecodeRequest, file) == 0);
static_assert(offsetof(ImageDecodeRequest, memory) == 4);
static_assert(offsetof(ImageDecodeRequest, from_memory) == 8);
static_assert(offsetof(ImageDecodeRequest, width) == 12);
static_assert(offsetof(ImageDecodeRequest, height) == 16);
static_assert(offsetof(ImageDecodeRequest, depth) == 20);
static_assert(offsetof(ImageDecodeRequest, owned_data) == 24);
static_assert(offsetof(ImageDecodeRequest, decoder_data) == 28);
static_assert(offsetof(ImageDecodeRequest, source_depth) == 32);

// The drawing context: the 26-slot operation table, then one 32-bit word per field.
static_assert(sizeof(DrawingOps) == 26 * 4);
static_assert(offsetof(DrawingContext, ops) == 0);
static_assert(offsetof(DrawingContext, release) == 104);
static_assert(offsetof(DrawingContext, width) == 108);
static_assert(offsetof(DrawingContext, height) == 112);
static_assert(offsetof(DrawingContext, depth) == 116);
static_assert(offsetof(DrawingContext, origin_x) == 120);
static_assert(offsetof(DrawingContext, origin_y) == 124);
static_assert(offsetof(DrawingContext, output_width) == 128);
static_assert(offsetof(DrawingContext, output_height) == 132);
static_assert(offsetof(DrawingContext, front_colour) == 136);
static_assert(offsetof(DrawingContext, back_colour) == 140);
static_assert(offsetof(DrawingContext, current_colour) == 144);
static_assert(offsetof(DrawingContext, current_back_colour) == 148);
static_assert(offsetof(DrawingContext, kind) == 152);
static_assert(offsetof(DrawingContext, buffer) == 156);
static_assert(offsetof(DrawingContext, buffer_pitch) == 160);
static_assert(offsetof(DrawingContext, buffer_format) == 164);
static_assert(offsetof(DrawingContext, get_dc) == 168);
static_assert(offsetof(DrawingContext, get_buffer) == 172);
static_assert(offsetof(DrawingContext, hdc) == 176);
static_assert(offsetof(DrawingContext, mode) == 180);
static_assert(offsetof(DrawingContext, dc_state) == 184);
static_assert(offsetof(DrawingContext, brush) == 188);
static_assert(offsetof(DrawingContext, pen) == 192);
static_assert(offsetof(DrawingContext, font) == 196);
static_assert(offsetof(DrawingContext, begin_brush) == 200);
static_assert(offsetof(DrawingContext, begin_pen) == 204);
static_assert(offsetof(DrawingContext, saved_brush) == 208);
static_assert(offsetof(DrawingContext, saved_pen) == 212);
static_assert(offsetof(DrawingContext, italic_overhang) == 216);
static_assert(offsetof(DrawingContext, rotated_font) == 220);
static_assert(offsetof(DrawingContext, rotated_angle) == 224);
static_assert(offsetof(DrawingContext, grab_32_as_24) == 228);
static_assert(offsetof(DrawingContext, saved_font) == 232);
static_assert(sizeof(DrawingContext) == 236);
