#include "drawing/image_decoders.h"

namespace {
ImageDecoderRegistry g_registry;
}

void ImageDecoders_Init(void) {
    g_registry.count = 0;
}

int ImageDecoders_Register(ImageDecoder* decoder) {
    // A fixed table: one more than it holds would land on whatever follows it.
    if (!decoder || g_registry.count < 0 || g_registry.count >= IMAGE_DECODERS_MAX) return 0;
    g_registry.decoders[g_registry.count++] = decoder;
    return 1;
}

const ImageDecoderRegistry* ImageDecoders_Get(void) {
    return &g_registry;
}
