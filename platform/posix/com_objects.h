// Every COM object that the stand-in's modules hand out holds one of these, so that a
// test can tell whether a program gave back all it was given (standin::LiveComObjects).
#pragma once

#include <cstddef>

namespace standin {

class LiveObject {
 public:
  LiveObject() { ++count_; }
  LiveObject(const LiveObject&) { ++count_; }
  LiveObject& operator=(const LiveObject&) = default;
  ~LiveObject() { --count_; }

  static std::size_t Count() { return count_; }

 private:
  static inline std::size_t count_ = 0;
};

}  // namespace standin
