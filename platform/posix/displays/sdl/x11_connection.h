// What becomes of the process when its connection to the X server breaks. Apart from the
// display so that the X headers' names stay out of it.
#pragma once

namespace standin {

// From now on a broken connection to the X server calls `end`, which must not return:
// Xlib would otherwise end the process through exit(), whose handlers would wait on the
// broken connection for ever.
void EndWhenXConnectionBreaks(void (*end)());

}  // namespace standin
