// The drawing context's life, the current context and its thread slot, the colour
// cache and origin of the program-facing operations, and the re-acquisition of a surface
// target's device context.
#include "drawing/drawing_context.h"

#include "runtime/heaps.h"

struct DrawingContext* Drawing_Current = 0;

// The thread slot mirrors the current pointer; nothing reads it back.
static DWORD g_thread_slot = TLS_OUT_OF_INDEXES;

static void SetCurrent(struct DrawingContext* dc) {
    Drawing_Current = dc;
    if (g_thread_slot != TLS_OUT_OF_INDEXES) TlsSetValue(g_thread_slot, dc);
}

void DrawingContext_Init(void) {
    if (g_thread_slot == TLS_OUT_OF_INDEXES) g_thread_slot = TlsAlloc();
}

struct DrawingContext* DrawingContext_Alloc(int32_t size) {
    if (size < (int32_t)sizeof(struct DrawingContext)) return 0;
    struct DrawingContext* dc = (struct DrawingContext*)Runtime_Alloc((SIZE_T)size, TRUE);
    if (!dc) return 0;
    SetCurrent(dc);
    dc->back_colour = 0;
    dc->current_colour = (COLORREF)-1;
    dc->current_back_colour = (COLORREF)-1;
    dc->front_colour = 0xFFFFFF;
    return dc;
}

void DrawingContext_Free(struct DrawingContext* dc) {
    Runtime_Free(dc);
    SetCurrent(0);
}

void DrawingContext_PrepareDc(struct DrawingContext* dc) {
    if (dc->kind != DRAWING_TARGET_SURFACE || dc->dc_state != DC_GIVEN_UP) return;
    dc->dc_state = DC_HELD;
    dc->hdc = dc->get_dc ? dc->get_dc(dc) : 0;
    SetTextColor(dc->hdc, dc->current_colour);
    SetTextAlign(dc->hdc, TA_UPDATECP);
    SetBkColor(dc->hdc, dc->current_back_colour);
    if (dc->mode != 0)
        dc->ops.set_mode(dc, dc->mode);
    else
        SelectObject(dc->hdc, dc->brush);
    SelectObject(dc->hdc, dc->pen);
    SelectObject(dc->hdc, dc->font);
}

HDC Draw_Begin(struct DrawingContext* dc) {
    if (!dc) return 0;
    dc->output_width = dc->width;
    dc->output_height = dc->height;
    HDC hdc = dc->ops.begin ? dc->ops.begin(dc) : 0;
    if (hdc) return hdc;
    if (dc->release) dc->release(dc, 0);
    DrawingContext_Free(dc);
    return 0;
}

void Draw_SetMode(int32_t mode) {
    struct DrawingContext* dc = Drawing_Current;
    if (!dc) return;
    dc->ops.set_mode(dc, mode);
}

// The colour cache: a pen and brush are made only when the colour changes.
static void ColourStep(struct DrawingContext* dc, COLORREF colour) {
    if (colour == dc->current_colour) return;
    dc->current_colour = colour;
    dc->ops.set_front_colour(dc, colour);
}

void Draw_Box(int32_t x, int32_t y, int32_t width, int32_t height, COLORREF colour) {
    struct DrawingContext* dc = Drawing_Current;
    if (!dc) return;
    ColourStep(dc, colour);
    dc->ops.box(dc, x + dc->origin_x, y + dc->origin_y, width, height);
}

void Draw_Circle(int32_t x, int32_t y, int32_t radius, COLORREF colour) {
    struct DrawingContext* dc = Drawing_Current;
    if (!dc) return;
    ColourStep(dc, colour);
    if (dc->ops.circle)
        dc->ops.circle(dc, x + dc->origin_x, y + dc->origin_y, radius);
    else
        dc->ops.ellipse(dc, x + dc->origin_x, y + dc->origin_y, radius, radius);
}

void Draw_End(void) {
    struct DrawingContext* dc = Drawing_Current;
    if (!dc) return;
    if (dc->ops.end) dc->ops.end(dc);
    if (dc->release) dc->release(dc, 1);
    DrawingContext_Free(dc);
}
