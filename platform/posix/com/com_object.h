// The one base of every COM object that the stand-in's modules hand out: its reference
// count, QueryInterface answering IUnknown and the object's own interface, and the count
// of objects alive that standin::LiveComObjects reports, so that a test can tell whether
// a program gave back all it was given. The last Release deletes the object.
//
// Limits: one interface per object; no aggregation.
#pragma once

#include <cstddef>

#include "platform/posix/include/winapi.h"

namespace standin {

// Objects of every module that exist now.
inline std::size_t liveComObjects = 0;

// `kInterfaceId` is the interface the object answers besides IUnknown; `kNowhere` is what
// QueryInterface answers without a place to put the interface, as each module has it.
template <class Interface, const IID& kInterfaceId, HRESULT kNowhere>
class ComObject : public Interface {
 public:
  ComObject(const ComObject&) = delete;
  ComObject& operator=(const ComObject&) = delete;

  HRESULT QueryInterface(REFIID interfaceId, void** object) override {
    if (!object) return kNowhere;
    if (!(interfaceId == IID_IUnknown) && !(interfaceId == kInterfaceId)) {
      *object = nullptr;
      return E_NOINTERFACE;
    }
    AddRef();
    *object = static_cast<Interface*>(this);
    return S_OK;
  }
  ULONG AddRef() override { return ++references_; }
  ULONG Release() override {
    ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

 protected:
  ComObject() { ++liveComObjects; }
  virtual ~ComObject() { --liveComObjects; }

 private:
  ULONG references_ = 1;
};

}  // namespace standin
