// The image decoders' state: the registered decoders, the one that accepted the last
// image and the file it reads. Callers of the decoder operations need only
// sprite/decoders.h.
#pragma once

#include <cstdint>
#include <cstdio>

#include "sprite/decoders.h"

// References to the registered records, which their decoders keep for as long as they
// are registered.
extern const ImageDecoder* ImageDecoders[kMaxImageDecoders];
extern std::int32_t ImageDecoderCount;
// The decoder that accepted the last image found, or null; a search that finds none
// leaves it as it was.
extern const ImageDecoder* CurrentImageDecoder;
// The file that the current decoder reads, from finding the image until its decoding.
extern std::FILE* DecoderStream;
