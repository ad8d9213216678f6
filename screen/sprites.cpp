// The sprite operations the screen itself needs: closing, the reset hooks and rendering
// into a sprite.
#include <string.h>

#include "runtime/heaps.h"
#include "screen/screen.h"
#include "screen/sprites.h"

int32_t Sprite_Close(int32_t number) {
    if (number == OBJECT_DYNAMIC) {
        Objects_FreeAll(Screen.sprites);
        return 1;
    }
    auto* sprite = static_cast<struct SpriteRecord*>(Objects_Find(Screen.sprites, number));
    if (!sprite) return 0;
    if (struct SpriteResources* r = sprite->resources) {
        if (r->texture) r->texture->Release();
        if (r->extra) r->extra->Release();
        if (r->system_surface) r->system_surface->Release();
        if (r->render_surface) r->render_surface->Release();
        Runtime_Free(r);
    }
    if (sprite->flags & SPRITE_OWNS_PIXEL_COPY) Runtime_Free(sprite->pixel_copy);
    Objects_Free(Screen.sprites, number);
    return 1;
}

int32_t Sprite_BeforeReset(struct SpriteResources*) {
    return 1;
}
int32_t Sprite_AfterReset(struct SpriteResources*) {
    return 1;
}
int32_t Sprite_EndRendering(struct SpriteResources*) {
    return 1;
}

IDirect3DSurface9* Sprite_PrepareRenderSurface(struct SpriteResources* r) {
    if (!r || !r->texture || !Screen.device) return nullptr;
    if (!r->render_surface) {
        if (Screen.device->CreateRenderTarget(UINT(r->width), UINT(r->height), D3DFMT_X1R5G5B5,
                                              D3DMULTISAMPLE_NONE, 0, TRUE, &r->render_surface,
                                              nullptr) != D3D_OK) {
            r->render_surface = nullptr;
            return nullptr;
        }
        D3DLOCKED_RECT from, to;
        bool copied = false;
        if (r->texture->LockRect(0, &from, nullptr, D3DLOCK_READONLY) == D3D_OK) {
            if (r->render_surface->LockRect(&to, nullptr, 0) == D3D_OK) {
                for (int32_t y = 0; y < r->height; ++y)
                    memcpy(static_cast<uint8_t*>(to.pBits) + ptrdiff_t(y) * to.Pitch,
                           static_cast<const uint8_t*>(from.pBits) + ptrdiff_t(y) * from.Pitch,
                           size_t(r->width) * 2);
                r->render_surface->UnlockRect();
                copied = true;
            }
            r->texture->UnlockRect(0);
        }
        if (!copied) {
            r->render_surface->Release();
            r->render_surface = nullptr;
            return nullptr;
        }
    }
    if (r->needs_upload) {
        r->needs_upload = 0;
        if (!r->system_surface || !r->render_surface ||
            Screen.device->UpdateSurface(r->system_surface, nullptr, r->render_surface, nullptr) !=
                D3D_OK)
            return nullptr;
    }
    r->surface_valid = 1;
    r->target_count += 1;
    r->rendered = 1;
    return r->render_surface;
}

int32_t Sprite_SetTarget(int32_t number) {
    if (number == Screen.target) return 1;
    if (Screen.target != SCREEN_TARGET_BACK_BUFFER) {
        if (auto* current =
                static_cast<struct SpriteRecord*>(Objects_Find(Screen.sprites, Screen.target)))
            Sprite_EndRendering(current->resources);
    }
    auto* sprite = static_cast<struct SpriteRecord*>(Objects_Find(Screen.sprites, number));
    if (!sprite) return 0;
    IDirect3DSurface9* surface = Sprite_PrepareRenderSurface(sprite->resources);
    if (!surface || Screen.device->SetRenderTarget(0, surface) != D3D_OK) return 0;
    Screen.target = number;
    Screen.target_width = sprite->width;
    Screen.target_height = sprite->height;
    return 1;
}
