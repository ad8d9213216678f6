// Sprites: images held as Direct3D 9 resources of the open screen, in the `sprites` table
// of ScreenState (created by Screen_Init). This library holds only what the screen's own
// steps need of them: closing, the hooks run around a device reset, and switching the
// render target to a sprite. Nothing here creates a sprite.
//
// A device reset keeps every sprite record, its number and its size, but not what was
// drawn into it: Direct3D resets a device only once nothing of its default pool is left,
// so the sprite's render surface (and a texture of that pool) is released before the
// reset and made again after it. The render surface then holds the texture's pixels
// again, a default-pool texture comes back empty, and whatever the program had drawn into
// the sprite must be drawn again. The other resources (a managed texture, the
// system-memory surface) come through a reset as they are; `extra` is left alone.
#pragma once

#include <d3d9.h>
#include <windows.h>

#include <stdint.h>

#define SPRITE_OWNS_PIXEL_COPY 4

// Direct3D resources of a sprite; a block of the RuntimeHeap.
struct SpriteResources {
    int32_t width;
    int32_t height;
    uint8_t rendered;      // set each time the sprite is made the render target
    int32_t target_count;  // times the sprite was made the render target
    int32_t needs_upload;  // system_surface holds newer pixels than render_surface
    int32_t surface_valid;
    IDirect3DTexture9* texture;  // level 0 holds the pixels
    IUnknown* extra;
    IDirect3DSurface9* system_surface;
    IDirect3DSurface9* render_surface;  // made on first use as a render target
    // What the before-reset hook gave up, for the after-reset hook to make again.
    int32_t reset_render_surface;  // the render surface existed
    UINT reset_texture_levels;     // non-zero: the texture was in the default pool
    DWORD reset_texture_usage;
    D3DFORMAT reset_texture_format;
};

// The object record of the sprites table; live while `resources` is non-null.
struct SpriteRecord {
    struct SpriteResources* resources;
    uint32_t flags;  // SPRITE_OWNS_PIXEL_COPY
    int32_t width;
    int32_t height;
    void* pixel_copy;  // RuntimeHeap block, freed with the sprite when the flag says so
};

// The table's close routine: releases a sprite's resources and frees its record. -1 closes
// every sprite. 0 when no live sprite has that number, else 1.
int32_t Sprite_Close(int32_t number);

// Hooks run on every sprite's resources around a device reset: the first releases the
// sprite's default-pool resources, the second, run after a reset that worked, makes them
// again (a resource that cannot be made is simply missing, as before its first use).
// Both accept null and return 1.
int32_t Sprite_BeforeReset(struct SpriteResources* resources);
int32_t Sprite_AfterReset(struct SpriteResources* resources);
// Run when rendering into a sprite ends; keeps the sprite as it is and returns 1.
int32_t Sprite_EndRendering(struct SpriteResources* resources);

// The sprite's render surface, made (and filled from the texture) on first use; null on
// failure.
IDirect3DSurface9* Sprite_PrepareRenderSurface(struct SpriteResources* resources);

// Makes sprite `number` the render target. 1 on success; 0 leaves the target unchanged.
int32_t Sprite_SetTarget(int32_t number);
