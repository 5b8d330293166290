#include "backgrounds/Worker.h"

#include <process.h>

#include <utility>

namespace backgrounds {

Worker::Worker(std::function<void()> work) : work_(std::move(work)) {
  thread_.reset(reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, Run, this, 0, nullptr)));
}

unsigned __stdcall Worker::Run(void* self) {
  static_cast<Worker*>(self)->work_();
  return 0;
}

void Worker::Join() const {
  if (thread_) WaitForSingleObject(thread_.get(), INFINITE);
}

}  // namespace backgrounds
