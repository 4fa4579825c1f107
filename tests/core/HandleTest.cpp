// CHandle: what it closes when it goes.
#include "winlib/Thread.h"

#include <gtest/gtest.h>

namespace {

// INVALID_HANDLE_VALUE is what a failed CreateFile gives: no handle, nothing to close (for
// CloseHandle it would be the current process).
TEST(Handle, AFailedOpenHoldsNoHandle)
{
    const CHandle file(
        ::CreateFileA("Z:\\no\\such\\folder\\file", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_EQ(file.Get(), INVALID_HANDLE_VALUE);
    EXPECT_FALSE(file);
}

TEST(Handle, ClosesWhatItHolds)
{
    HANDLE event = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ASSERT_NE(event, nullptr);
    {
        const CHandle held(event);
        EXPECT_TRUE(held);
    }
    DWORD flags = 0;
    EXPECT_FALSE(::GetHandleInformation(event, &flags)) << "the handle is still open";
}

}  // namespace
