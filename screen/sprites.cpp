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

namespace {

// Makes the render surface and fills it from level 0 of the texture; false (and no
// surface) when either step fails.
bool MakeRenderSurface(struct SpriteResources* r) {
    if (Screen.device->CreateRenderTarget(UINT(r->width), UINT(r->height), D3DFMT_X1R5G5B5,
                                          D3DMULTISAMPLE_NONE, 0, TRUE, &r->render_surface,
                                          nullptr) != D3D_OK) {
        r->render_surface = nullptr;
        return false;
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
    }
    return copied;
}

}  // namespace

int32_t Sprite_BeforeReset(struct SpriteResources* r) {
    if (!r) return 1;
    if (r->render_surface) {
        r->render_surface->Release();
        r->render_surface = nullptr;
        r->reset_render_surface = 1;
    }
    D3DSURFACE_DESC desc;
    if (r->texture && r->texture->GetLevelDesc(0, &desc) == D3D_OK &&
        desc.Pool == D3DPOOL_DEFAULT) {
        r->reset_texture_levels = r->texture->GetLevelCount();
        r->reset_texture_usage = desc.Usage;
        r->reset_texture_format = desc.Format;
        r->texture->Release();
        r->texture = nullptr;
    }
    return 1;
}

int32_t Sprite_AfterReset(struct SpriteResources* r) {
    if (!r || !Screen.device) return 1;
    if (r->reset_texture_levels) {
        if (!r->texture &&
            Screen.device->CreateTexture(UINT(r->width), UINT(r->height), r->reset_texture_levels,
                                         r->reset_texture_usage, r->reset_texture_format,
                                         D3DPOOL_DEFAULT, &r->texture, nullptr) != D3D_OK)
            r->texture = nullptr;
        r->reset_texture_levels = 0;
    }
    if (r->reset_render_surface) {
        r->reset_render_surface = 0;
        // A surface made in between, on the sprite's first use after the loss, stays.
        if (!r->render_surface && r->texture) r->surface_valid = MakeRenderSurface(r) ? 1 : 0;
    }
    return 1;
}

int32_t Sprite_EndRendering(struct SpriteResources*) {
    return 1;
}

IDirect3DSurface9* Sprite_PrepareRenderSurface(struct SpriteResources* r) {
    if (!r || !r->texture || !Screen.device) return nullptr;
    if (!r->render_surface && !MakeRenderSurface(r)) return nullptr;
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
