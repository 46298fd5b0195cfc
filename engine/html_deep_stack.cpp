#include "engine/html_deep_stack.h"

#include <pthread.h>

#include <exception>

namespace {

struct Job {
  const std::function<void()>* work;  // not owned
  std::exception_ptr failure;
};

void* RunJob(void* argument) {
  auto* job = static_cast<Job*>(argument);
  try {
    (*job->work)();
  } catch (...) {
    // Whatever the work throws is the caller's to handle, so all of it is
    // carried over to the caller's thread; escaping this thread's start
    // function would end the process.
    job->failure = std::current_exception();
  }
  return nullptr;
}

// Destroys the attributes whichever way the start goes.
class ThreadAttributes {
 public:
  ThreadAttributes() : m_valid(pthread_attr_init(&m_attributes) == 0) {}
  ~ThreadAttributes() {
    if (m_valid) pthread_attr_destroy(&m_attributes);
  }
  ThreadAttributes(const ThreadAttributes&) = delete;
  ThreadAttributes& operator=(const ThreadAttributes&) = delete;

  bool SetStackSize(std::size_t bytes) { return m_valid && pthread_attr_setstacksize(&m_attributes, bytes) == 0; }
  const pthread_attr_t* Get() const { return &m_attributes; }

 private:
  pthread_attr_t m_attributes{};
  bool m_valid;
};

}  // namespace

bool RunOnDeepStack(std::size_t stackBytes, const std::function<void()>& work) {
  ThreadAttributes attributes;
  if (!attributes.SetStackSize(stackBytes)) return false;
  Job job{&work, nullptr};
  pthread_t thread{};
  if (pthread_create(&thread, attributes.Get(), RunJob, &job) != 0) return false;
  pthread_join(thread, nullptr);
  if (job.failure) std::rethrow_exception(job.failure);
  return true;
}
