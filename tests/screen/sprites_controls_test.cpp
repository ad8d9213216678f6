// Sprites as far as the screen uses them: render targets, resets, closing, uploads.
#include <vector>

#include "screen_fixture.h"

namespace {

// A live sprite with a 16-bit texture, as the sprite-making operations would leave it.
struct SpriteRecord* MakeSprite(int32_t number, int32_t width, int32_t height) {
    auto* sprite = static_cast<struct SpriteRecord*>(Objects_Create(Screen.sprites, number));
    if (!sprite) return nullptr;
    auto* r = static_cast<struct SpriteResources*>(Runtime_Alloc(sizeof(SpriteResources), TRUE));
    r->width = sprite->width = width;
    r->height = sprite->height = height;
    Screen.device->CreateTexture(UINT(width), UINT(height), 1, 0, D3DFMT_X1R5G5B5, D3DPOOL_MANAGED,
                                 &r->texture, nullptr);
    sprite->resources = r;
    sprite->flags = SPRITE_OWNS_PIXEL_COPY;
    sprite->pixel_copy = Runtime_Alloc(16, FALSE);
    return sprite;
}

TEST_F(ScreenTest, ClosingSpritesThatAreNotThere) {
    Start();
    EXPECT_EQ(Sprite_Close(OBJECT_DYNAMIC), 1);  // an empty table
    EXPECT_EQ(Sprite_Close(7), 0);
}

TEST_F(ScreenTest, ASpriteBecomesTheRenderTargetAndTheFlipTakesItBack) {
    StartAndOpen();
    int objects = zv_test::LiveD3D9Objects();
    struct SpriteRecord* sprite = MakeSprite(2, 8, 4);
    ASSERT_NE(sprite, nullptr);
    D3DLOCKED_RECT lr;
    ASSERT_EQ(sprite->resources->texture->LockRect(0, &lr, nullptr, 0), D3D_OK);
    static_cast<uint16_t*>(lr.pBits)[1] = 0x7C00;  // red in x1r5g5b5
    sprite->resources->texture->UnlockRect(0);

    EXPECT_EQ(Sprite_SetTarget(9), 0);  // no such sprite: nothing changes
    EXPECT_EQ(Screen.target, SCREEN_TARGET_BACK_BUFFER);
    ASSERT_EQ(Sprite_SetTarget(2), 1);
    EXPECT_EQ(Screen.target, 2);
    EXPECT_EQ(Screen.target_width, 8);
    EXPECT_EQ(sprite->resources->target_count, 1);
    EXPECT_EQ(sprite->resources->rendered, 1);
    EXPECT_EQ(sprite->resources->surface_valid, 1);
    ASSERT_NE(sprite->resources->render_surface, nullptr);
    ASSERT_EQ(sprite->resources->render_surface->LockRect(&lr, nullptr, D3DLOCK_READONLY), D3D_OK);
    EXPECT_EQ(static_cast<uint16_t*>(lr.pBits)[1], 0x7C00);  // the texture's pixels were copied
    sprite->resources->render_surface->UnlockRect();
    EXPECT_EQ(Sprite_SetTarget(2), 1);  // already the target
    EXPECT_EQ(sprite->resources->target_count, 1);

    EXPECT_EQ(Screen_Flip(), 1);
    EXPECT_EQ(Screen.target, SCREEN_TARGET_BACK_BUFFER);
    IDirect3DSurface9* target = nullptr;
    ASSERT_EQ(Screen.device->GetRenderTarget(0, &target), D3D_OK);
    EXPECT_EQ(target, Screen.back_buffer);
    target->Release();

    EXPECT_EQ(Sprite_Close(2), 1);
    EXPECT_EQ(Objects_Find(Screen.sprites, 2), nullptr);
    EXPECT_EQ(zv_test::LiveD3D9Objects(), objects);
}

// Sprites' render surfaces belong to the default pool, which Direct3D wants empty before
// it resets a device; the reset hooks give them up and make them again.
TEST_F(ScreenTest, AResetWithLiveSpritesKeepsThem) {
    StartAndOpen();
    int objects = zv_test::LiveD3D9Objects();
    struct Kept {
        int32_t number;
        struct SpriteRecord* record;
        struct SpriteResources* resources;
        int32_t width, height;
        bool rendered;
    };
    std::vector<Kept> kept;
    struct Made {
        int32_t number, width, height;
        bool rendered;
    };
    for (auto [number, width, height, rendered] :
         {Made{0, 8, 4, true}, Made{3, 6, 2, true}, Made{4, 2, 2, false}, Made{-1, 4, 4, true}}) {
        struct SpriteRecord* sprite = MakeSprite(number, width, height);
        ASSERT_NE(sprite, nullptr);
        if (number == OBJECT_DYNAMIC) number = Objects_IdentifierOf(Screen.sprites, sprite);
        if (rendered) {
            ASSERT_EQ(Sprite_SetTarget(number), 1);
        }
        kept.push_back({number, sprite, sprite->resources, width, height, rendered});
    }
    // Sprite 0's texture holds a red pixel; drawing into it as a target changed it to blue.
    D3DLOCKED_RECT lr;
    ASSERT_EQ(kept[0].resources->texture->LockRect(0, &lr, nullptr, 0), D3D_OK);
    static_cast<uint16_t*>(lr.pBits)[1] = 0x7C00;
    kept[0].resources->texture->UnlockRect(0);
    ASSERT_EQ(kept[0].resources->render_surface->LockRect(&lr, nullptr, 0), D3D_OK);
    static_cast<uint16_t*>(lr.pBits)[1] = 0x001F;
    kept[0].resources->render_surface->UnlockRect();
    // One sprite's texture is in the default pool too.
    IDirect3DTexture9* own = nullptr;
    ASSERT_EQ(Screen.device->CreateTexture(2, 2, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X1R5G5B5,
                                           D3DPOOL_DEFAULT, &own, nullptr),
              D3D_OK);
    kept[2].resources->texture->Release();
    kept[2].resources->texture = own;

    for (int reset = 1; reset <= 2; ++reset) {
        SCOPED_TRACE(reset);
        ASSERT_TRUE(zv_test::ScriptCooperativeLevel(Screen.device, {{D3DERR_DEVICENOTRESET, 0}}));
        EXPECT_EQ(Screen_Flip(), 1);
        EXPECT_EQ(Screen.device_ok, 1);
        zv_test::D3D9DeviceInfo info;
        ASSERT_TRUE(zv_test::GetD3D9DeviceInfo(Screen.device, &info));
        EXPECT_EQ(info.reset_count, size_t(reset));
        for (const Kept& k : kept) {
            SCOPED_TRACE(k.number);
            EXPECT_EQ(Objects_Find(Screen.sprites, k.number), k.record);
            EXPECT_EQ(k.record->resources, k.resources);
            EXPECT_EQ(k.record->width, k.width);
            EXPECT_EQ(k.record->height, k.height);
            EXPECT_EQ(k.resources->width, k.width);
            EXPECT_EQ(k.resources->height, k.height);
            ASSERT_NE(k.resources->texture, nullptr);
            D3DSURFACE_DESC desc;
            ASSERT_EQ(k.resources->texture->GetLevelDesc(0, &desc), D3D_OK);
            EXPECT_EQ(int32_t(desc.Width), k.width);
            EXPECT_EQ(desc.Format, D3DFMT_X1R5G5B5);
            if (!k.rendered) {
                EXPECT_EQ(k.resources->render_surface, nullptr) << "made only when first used";
                EXPECT_EQ(desc.Pool, D3DPOOL_DEFAULT);
                EXPECT_EQ(desc.Usage, DWORD(D3DUSAGE_RENDERTARGET));
                continue;
            }
            ASSERT_NE(k.resources->render_surface, nullptr);
            ASSERT_EQ(k.resources->render_surface->GetDesc(&desc), D3D_OK);
            EXPECT_EQ(int32_t(desc.Width), k.width);
            EXPECT_EQ(int32_t(desc.Height), k.height);
            EXPECT_EQ(desc.Pool, D3DPOOL_DEFAULT);
        }
        // What was drawn into the sprite is gone; it holds its texture's pixels again.
        ASSERT_EQ(kept[0].resources->render_surface->LockRect(&lr, nullptr, D3DLOCK_READONLY),
                  D3D_OK);
        EXPECT_EQ(static_cast<uint16_t*>(lr.pBits)[1], 0x7C00);
        kept[0].resources->render_surface->UnlockRect();
    }
    // The sprites work as targets after the resets.
    ASSERT_EQ(Sprite_SetTarget(kept[1].number), 1);
    EXPECT_EQ(Screen.target_width, 6);
    EXPECT_EQ(Screen_Flip(), 1);
    EXPECT_EQ(Screen.target, SCREEN_TARGET_BACK_BUFFER);
    for (const Kept& k : kept)
        EXPECT_EQ(Sprite_Close(k.number), 1);
    EXPECT_EQ(zv_test::LiveD3D9Objects(), objects);
}

// A reset that fails keeps the sprites' records; the reset that works later gives them
// their surfaces back.
TEST_F(ScreenTest, ASpriteWaitsThroughAFailedReset) {
    StartAndOpen();
    struct SpriteRecord* sprite = MakeSprite(1, 4, 4);
    ASSERT_NE(sprite, nullptr);
    ASSERT_EQ(Sprite_SetTarget(1), 1);
    ASSERT_TRUE(zv_test::ScriptCooperativeLevel(Screen.device, {{D3DERR_DEVICENOTRESET, 0}}));
    zv_test::FailD3D9Call(zv_test::D3D9Call::kReset);
    EXPECT_EQ(Screen_Flip(), 0);
    EXPECT_EQ(Screen.device_ok, 0);
    EXPECT_EQ(Objects_Find(Screen.sprites, 1), sprite);
    EXPECT_EQ(Screen_Flip(), 1);
    EXPECT_EQ(Screen.device_ok, 1);
    EXPECT_NE(sprite->resources->render_surface, nullptr);
    EXPECT_EQ(Sprite_Close(1), 1);
}

TEST_F(ScreenTest, ClosingTheScreenClosesEverySprite) {
    StartAndOpen();
    ASSERT_NE(MakeSprite(0, 4, 4), nullptr);
    ASSERT_NE(MakeSprite(5, 4, 4), nullptr);
    Screen_Close();
    EXPECT_EQ(Objects_Find(Screen.sprites, 0), nullptr);
    EXPECT_EQ(Objects_Find(Screen.sprites, 5), nullptr);
}

TEST_F(ScreenTest, AnUploadWaitingForTheRenderSurfaceIsApplied) {
    StartAndOpen();
    struct SpriteRecord* sprite = MakeSprite(1, 4, 2);
    ASSERT_NE(sprite, nullptr);
    struct SpriteResources* r = sprite->resources;
    ASSERT_EQ(Screen.device->CreateOffscreenPlainSurface(4, 2, D3DFMT_X1R5G5B5, D3DPOOL_SYSTEMMEM,
                                                         &r->system_surface, nullptr),
              D3D_OK);
    D3DLOCKED_RECT lr;
    r->system_surface->LockRect(&lr, nullptr, 0);
    static_cast<uint16_t*>(lr.pBits)[0] = 0x001F;
    r->system_surface->UnlockRect();
    r->needs_upload = 1;
    IDirect3DSurface9* surface = Sprite_PrepareRenderSurface(r);
    ASSERT_NE(surface, nullptr);
    EXPECT_EQ(r->needs_upload, 0);
    surface->LockRect(&lr, nullptr, D3DLOCK_READONLY);
    EXPECT_EQ(static_cast<uint16_t*>(lr.pBits)[0], 0x001F);
    surface->UnlockRect();
    // Without a texture there is nothing to render into.
    EXPECT_EQ(Sprite_PrepareRenderSurface(nullptr), nullptr);
    Sprite_Close(1);
}

}  // namespace
