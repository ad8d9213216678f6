// The drawing context: the one record through which all 2D drawing goes.
//
// A drawing target (the screen's back buffer, or a surface made by a test) allocates a
// DrawingContext (DrawingContext_NewGdi gives one with the GDI operation table), fills in
// its own fields (device context, size, depth, callbacks) and hands it to Draw_Begin.
// Between a successful Draw_Begin and Draw_End the context is the current one and the
// program-facing operations (Draw_SetMode, Draw_Box, Draw_Circle) draw on it.
//
// Guarantees:
// - Every GDI object the context creates is deleted by the operation that replaces it or
//   at Draw_End; Draw_End gives the device context back with its own pen, brush and font.
// - Pens and brushes are re-created only when the colour changes (the colour cache).
// - A surface target may give its device context up for direct pixel access (`buffer`,
//   `plot_colour`); the next GDI operation takes it back and re-applies the state.
// - A failed Draw_Begin releases and frees the context; later drawing calls and Draw_End
//   then find no current context and do nothing.
// One drawing context exists per process at a time; it is not locked.
#pragma once

#include <windows.h>
#include <stdint.h>

#define DRAWING_TARGET_DIB_DEVICE 5
#define DRAWING_TARGET_SURFACE 7

#define PIXEL_FORMAT_8 1
#define PIXEL_FORMAT_15 2
#define PIXEL_FORMAT_16 4
#define PIXEL_FORMAT_32 64

#define DRAW_MODE_TRANSPARENT 1
#define DRAW_MODE_XOR 2
#define DRAW_MODE_OUTLINED 4

#define DC_HELD 1
#define DC_GIVEN_UP (-1)

// The default font for `set_font`.
#define DRAWING_DEFAULT_FONT ((HFONT)(INT_PTR)-1)

struct DrawingContext;

// The operation table, in slot order. Every operation takes the context first.
struct DrawingOps {
    void (*set_back_colour)(struct DrawingContext* dc, COLORREF colour);
    void (*box)(struct DrawingContext* dc, int32_t x, int32_t y, int32_t width, int32_t height);
    void (*round_box)(struct DrawingContext* dc, int32_t x, int32_t y, int32_t width,
                      int32_t height, int32_t radius_x, int32_t radius_y);
    void (*circle)(struct DrawingContext* dc, int32_t x, int32_t y, int32_t radius);
    void (*set_font)(struct DrawingContext* dc, HFONT font);
    void* (*buffer)(struct DrawingContext* dc);
    int32_t (*buffer_pitch)(struct DrawingContext* dc);
    int32_t (*buffer_format)(struct DrawingContext* dc);
    void (*set_mode)(struct DrawingContext* dc, int32_t mode);
    void (*image)(struct DrawingContext* dc, HANDLE image, int32_t x, int32_t y);
    void (*image_sized)(struct DrawingContext* dc, HANDLE image, int32_t x, int32_t y,
                        int32_t width, int32_t height);
    void (*alpha_image)(struct DrawingContext* dc, HBITMAP bitmap, int32_t x, int32_t y,
                        int32_t alpha);
    int32_t (*text)(struct DrawingContext* dc, int32_t x, int32_t y, const char* text);
    void (*rotated_text)(struct DrawingContext* dc, int32_t x, int32_t y, const char* text,
                         float angle);
    void (*ellipse)(struct DrawingContext* dc, int32_t x, int32_t y, int32_t radius_x,
                    int32_t radius_y);
    void (*fill_area)(struct DrawingContext* dc, int32_t x, int32_t y, COLORREF border);
    void (*set_front_colour)(struct DrawingContext* dc, COLORREF colour);
    void* (*grab_image)(struct DrawingContext* dc, int32_t number, int32_t x, int32_t y,
                        int32_t width, int32_t height);
    void (*line)(struct DrawingContext* dc, int32_t x1, int32_t y1, int32_t x2, int32_t y2);
    void (*plot)(struct DrawingContext* dc, int32_t x, int32_t y);
    void (*plot_colour)(struct DrawingContext* dc, int32_t x, int32_t y, COLORREF colour);
    COLORREF (*point)(struct DrawingContext* dc, int32_t x, int32_t y);
    HDC (*begin)(struct DrawingContext* dc);
    void (*end)(struct DrawingContext* dc);
    int32_t (*text_height)(struct DrawingContext* dc, const char* text);
    int32_t (*text_width)(struct DrawingContext* dc, const char* text);
};

typedef void (*DrawingReleaseRoutine)(struct DrawingContext* dc, int32_t completed);
typedef HDC (*DrawingGetDcRoutine)(struct DrawingContext* dc);
typedef void* (*DrawingGetBufferRoutine)(struct DrawingContext* dc, int32_t* pitch);

struct DrawingContext {
    struct DrawingOps ops;
    DrawingReleaseRoutine release;  // (context, completed); may be 0
    int32_t width;
    int32_t height;
    int32_t depth;
    int32_t origin_x;
    int32_t origin_y;
    int32_t output_width;
    int32_t output_height;
    COLORREF front_colour;
    COLORREF back_colour;
    COLORREF current_colour;       // colour of the selected pen, brush and text; -1: none yet
    COLORREF current_back_colour;  // text background re-applied after a give-up; -1: none
    int32_t kind;                  // DRAWING_TARGET_SURFACE, DRAWING_TARGET_DIB_DEVICE or other
    void* buffer;                  // pixel memory while held for direct access
    int32_t buffer_pitch;
    int32_t buffer_format;  // PIXEL_FORMAT_*
    DrawingGetDcRoutine get_dc;
    DrawingGetBufferRoutine get_buffer;
    HDC hdc;
    int32_t mode;      // DRAW_MODE_* bits
    int32_t dc_state;  // 0, DC_HELD or DC_GIVEN_UP
    HBRUSH brush;
    HPEN pen;
    HFONT font;
    HBRUSH begin_brush;
    HPEN begin_pen;
    HGDIOBJ saved_brush;
    HGDIOBJ saved_pen;
    int32_t italic_overhang;
    HFONT rotated_font;
    float rotated_angle;
    int32_t grab_32_as_24;
    HGDIOBJ saved_font;
};

// The current drawing context (null outside a bracket).
extern struct DrawingContext* Drawing_Current;

// Allocates the thread slot that mirrors the current context. Called once at start-up.
void DrawingContext_Init(void);

// A zero-filled context of `size` bytes from the RuntimeHeap, made current, with the
// default colours; the operation table is left empty. 0 when the heap cannot supply it.
struct DrawingContext* DrawingContext_Alloc(int32_t size);

// Returns the context to the RuntimeHeap and clears the current pointer (no release, no end).
void DrawingContext_Free(struct DrawingContext* dc);

// A context with the GDI operation table (drawing_primitives.cpp). 0 on no memory.
struct DrawingContext* DrawingContext_NewGdi(void);

// Re-takes a surface target's device context after a direct pixel access, and re-applies
// text colour, alignment, background colour, mode (or brush), pen and font.
void DrawingContext_PrepareDc(struct DrawingContext* dc);

// The bracket and the program-facing operations.
HDC Draw_Begin(struct DrawingContext* dc);
void Draw_SetMode(int32_t mode);
void Draw_Box(int32_t x, int32_t y, int32_t width, int32_t height, COLORREF colour);
void Draw_Circle(int32_t x, int32_t y, int32_t radius, COLORREF colour);
void Draw_End(void);
