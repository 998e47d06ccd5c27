#pragma once
// The class the test component makes.

#include "kvt.h"

// {3E0B9C7A-5D21-4F6E-8A13-C4B2D7E9F015}
inline constexpr GUID CLSID_TestValue = {0x3E0B9C7A, 0x5D21, 0x4F6E,
                                         {0x8A, 0x13, 0xC4, 0xB2, 0xD7, 0xE9, 0xF0, 0x15}};
// {9A4C1E27-0B6D-4C83-9F52-7D1E3A6B8C40}
inline constexpr GUID IID_ITestValue = {0x9A4C1E27, 0x0B6D, 0x4C83,
                                        {0x9F, 0x52, 0x7D, 0x1E, 0x3A, 0x6B, 0x8C, 0x40}};
inline constexpr int32_t kTestValue = 4711;

struct ITestValue : IUnknown {
  virtual int32_t Value() = 0;

 protected:
  ~ITestValue() = default;
};
