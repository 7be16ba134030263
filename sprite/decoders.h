// The image decoders: formats other than Windows bitmaps, made known at run time. A
// decoder is asked in turn whether it accepts an image, given either an open file (with
// its name) or the image in memory; the first that accepts becomes the current decoder,
// which then reports the image's size and writes its pixels: 24 bits, blue, green, red,
// rows top-down `stride` bytes apart. An image in memory comes without its size: a
// decoder reads it only as far as its own header says.
#pragma once

#include <cstdint>
#include <cstdio>

struct ImageDecoder {
  // Non-zero when the decoder takes the image: from the stream (positioned at its start)
  // with the file's name, or from memory; the other arguments are null.
  int (*check)(std::FILE* stream, const void* image, const char* name);
  int (*decode)(void* buffer, std::int32_t stride, std::int32_t flags);
  std::int32_t (*width)();
  std::int32_t (*height)();
};

constexpr std::int32_t kMaxImageDecoders = 100;

// Forgets every decoder; the first of the libraries' start-ups.
void InitImageDecoders();
// 1 when the decoder is added after the others; 0 once the registry is full. The record
// is kept by reference: it must outlive its registration.
std::int32_t RegisterImageDecoder(const ImageDecoder& decoder);
// Looks for a decoder of the named file, or without a name of the image in memory. 1
// when one accepted it; the file stays open for DecodeImage. 0 when none did, or the
// file cannot be opened.
std::int32_t FindImageDecoder(const char* name, const void* image);
std::int32_t DecoderImageWidth();
std::int32_t DecoderImageHeight();
// The current decoder's result; the file is closed afterwards.
std::int32_t DecodeImage(void* buffer, std::int32_t stride, std::int32_t flags);
