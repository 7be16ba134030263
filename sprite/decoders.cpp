// The registry of image decoders and the one image being decoded.
#include "sprite/decoders.h"

#include "platform/process.h"
#include "sprite/decoder_registry.h"

const ImageDecoder* ImageDecoders[kMaxImageDecoders];
std::int32_t ImageDecoderCount = 0;
const ImageDecoder* CurrentImageDecoder = nullptr;
std::FILE* DecoderStream = nullptr;

namespace {

// A file found but never decoded is closed when the next image is looked for.
void CloseDecoderStream() {
  if (DecoderStream) std::fclose(DecoderStream);
  DecoderStream = nullptr;
}

}  // namespace

void InitImageDecoders() {
  ImageDecoderCount = 0;
  CurrentImageDecoder = nullptr;
  DecoderStream = nullptr;
}

std::int32_t RegisterImageDecoder(const ImageDecoder& decoder) {
  if (ImageDecoderCount >= kMaxImageDecoders) return 0;
  ImageDecoders[ImageDecoderCount++] = &decoder;
  return 1;
}

std::int32_t FindImageDecoder(const char* name, const void* image) {
  CloseDecoderStream();
  if (name) {
    DecoderStream = OpenStream(name, "rb");
    if (!DecoderStream) return 0;
    for (std::int32_t i = 0; i < ImageDecoderCount; ++i) {
      std::fseek(DecoderStream, 0, SEEK_SET);
      if (ImageDecoders[i]->check(DecoderStream, nullptr, name)) {
        CurrentImageDecoder = ImageDecoders[i];
        return 1;
      }
    }
    CloseDecoderStream();
    return 0;
  }
  for (std::int32_t i = 0; i < ImageDecoderCount; ++i) {
    if (ImageDecoders[i]->check(nullptr, image, nullptr)) {
      CurrentImageDecoder = ImageDecoders[i];
      return 1;
    }
  }
  return 0;
}

std::int32_t DecoderImageWidth() { return CurrentImageDecoder ? CurrentImageDecoder->width() : 0; }

std::int32_t DecoderImageHeight() {
  return CurrentImageDecoder ? CurrentImageDecoder->height() : 0;
}

std::int32_t DecodeImage(void* buffer, std::int32_t stride, std::int32_t flags) {
  std::int32_t result =
      CurrentImageDecoder ? CurrentImageDecoder->decode(buffer, stride, flags) : 0;
  CloseDecoderStream();
  return result;
}
