// The Wine tier's entry point: the thread's COM apartment is set up as the
// program's own start-up sets it, before any test runs.
#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  const int result = RUN_ALL_TESTS();
  if (SUCCEEDED(com)) CoUninitialize();
  return result;
}
