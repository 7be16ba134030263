// The count of the stand-in's COM objects, as tests read it.
#include "platform/posix/com/com_object.h"

#include "platform/posix/standin.h"

namespace standin {

std::size_t LiveComObjects() { return liveComObjects; }

}  // namespace standin
