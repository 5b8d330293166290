// The one way the program runs work in the background: a thread of the C
// runtime (started with _beginthreadex, so the runtime's per-thread state is
// set up for it) that runs one function and is joined when its owner goes.
// Its handle can be waited on together with other handles and the message
// queue, which the cache build does to keep its progress window responsive.
// Workers touch no window, control or setting: they get bytes or pictures and
// give back pictures, files or errors.
#pragma once

#include <windows.h>

#include <functional>

#include "forms/Handles.h"

namespace backgrounds {

class Worker {
 public:
  // Starts `work`, which must catch its own errors, on a thread of its own; without a thread (the process is
  // out of them, or of memory), Started() is false and nothing runs.
  explicit Worker(std::function<void()> work);
  Worker(const Worker&) = delete;
  Worker& operator=(const Worker&) = delete;
  ~Worker() { Join(); }

  bool Started() const { return static_cast<bool>(thread_); }
  HANDLE Handle() const { return thread_.get(); }
  // Waits until the work has ended.
  void Join() const;

 private:
  static unsigned __stdcall Run(void* self);

  std::function<void()> work_;
  forms::UniqueKernelHandle thread_;
};

}  // namespace backgrounds
