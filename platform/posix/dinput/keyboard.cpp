// The stand-in's keyboard device: 256 keys read as a snapshot of the desktop's keyboard
// (standin::ReadKeyboard).
//
// Limits: neither buffered data nor properties (DIERR_UNSUPPORTED).
#include <array>
#include <new>

#include "platform/posix/dinput/dinput_private.h"
#include "platform/posix/user32/desktop.h"
#include "platform/win32.h"

namespace standin {
namespace {

constexpr DWORD kKeys = 256;

// 256 keys, each a button, key n being instance n and DIK code n.
class Keyboard : public Device {
 public:
  using Device::Device;

 private:
  // Windows does not let one program keep the keyboard from every other in the
  // background.
  bool AllowsLevel(DWORD flags) const override {
    return !((flags & DISCL_EXCLUSIVE) && (flags & DISCL_BACKGROUND));
  }

  // Each object is a button at its own byte; it names a key by instance or takes the
  // next free one. A key the keyboard lacks is refused unless the object is optional.
  bool TakeFormat(const DIDATAFORMAT& format) override {
    if (format.dwDataSize != kKeys) return false;
    std::array<int, kKeys> keyAt;
    keyAt.fill(kUnmapped);
    std::array<bool, kKeys> used{};
    for (DWORD n = 0; n < format.dwNumObjs; ++n) {
      const DIOBJECTDATAFORMAT& object = format.rgodf[n];
      bool button = (object.dwType & DIDFT_BUTTON) != 0 && (object.dwType & DIDFT_AXIS) == 0;
      if (!button || (object.pguid && !(*object.pguid == GUID_Key))) return false;
      if (object.dwOfs >= kKeys || keyAt[object.dwOfs] != kUnmapped) return false;
      WORD instance = DIDFT_GETINSTANCE(object.dwType);
      if (instance == kAnyInstance) {
        instance = 0;
        while (instance < kKeys && used[instance]) ++instance;
      }
      if (instance >= kKeys) {
        if (object.dwType & DIDFT_OPTIONAL) continue;
        return false;
      }
      if (used[instance]) return false;
      used[instance] = true;
      keyAt[object.dwOfs] = instance;
    }
    keyAt_ = keyAt;
    return true;
  }

  // Buttons read as 0x80 when down and 0 when up; bytes that no object fills are 0.
  void ReadState(BYTE* data) override {
    BYTE keys[kKeys];
    ReadKeyboard(keys);
    for (DWORD offset = 0; offset < kKeys; ++offset) {
      int key = keyAt_[offset];
      data[offset] = key == kUnmapped ? 0 : keys[key] & 0x80;
    }
  }

  std::array<int, kKeys> keyAt_{};
};

}  // namespace

Device* MakeKeyboard(IDirectInput7A* parent) { return new (std::nothrow) Keyboard(parent); }

}  // namespace standin
