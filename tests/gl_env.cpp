#include "tests/gl_env.h"

#include <gtest/gtest.h>

std::string start_up_capturing_log() {
  ::testing::internal::CaptureStdout();
  const int status = start_up();
  std::string log = ::testing::internal::GetCapturedStdout();
  if (status != 0) ADD_FAILURE() << "start_up failed; is an X server with GLX running?";
  return log;
}
