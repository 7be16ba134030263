// A web page's program: its display is the page's canvas.
#include "platform/posix/displays/browser/browser_display.h"
#include "platform/posix/displays/current_display.h"

namespace standin {

std::unique_ptr<Display> MakeDefaultDisplay() { return MakeBrowserDisplay(); }

}  // namespace standin
