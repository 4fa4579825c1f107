// CopyToClipboard against the real clipboard, read back by another thread as another
// program would.
#include "ui/Clipboard.h"
#include "ClipboardTestSupport.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

class ClipboardTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_Owner = ::CreateWindowExA(0, "Static", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                    ::GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(m_Owner, nullptr);
        SeedClipboardText(TextBytes("before"));
        ASSERT_EQ(ReadClipboardText(), TextBytes("before"));
    }
    void TearDown() override { ::DestroyWindow(m_Owner); }

    HWND m_Owner = nullptr;
};

TEST_F(ClipboardTest, PutsExactlyTheGivenBytesAsText)
{
    struct Case {
        const char* name;
        std::vector<char> bytes;
    };
    const Case cases[] = {
        {"address", {'1', '9', '2', '.', '1', '6', '8', '.', '0', '.', '1', '0', '\0'}},
        {"empty text", {'\0'}},
        {"ANSI letters above 127", {'h', '\xF6', 's', 't', '\xE9', '\0'}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_TRUE(CopyToClipboard(m_Owner, c.bytes.data(), c.bytes.size()));
        EXPECT_EQ(ReadClipboardText(), c.bytes);
    }
}

TEST_F(ClipboardTest, ClipboardHeldByAnotherWindowKeepsWhatItHad)
{
    bool copied = true;
    {
        CClipboardHolder holder;
        ASSERT_TRUE(holder.IsHolding());
        const std::vector<char> address = TextBytes("192.168.0.10");
        copied = CopyToClipboard(m_Owner, address.data(), address.size());
    }
    EXPECT_FALSE(copied);
    EXPECT_EQ(ReadClipboardText(), TextBytes("before"));
    // Nothing of ours keeps it open afterwards.
    ASSERT_TRUE(::OpenClipboard(m_Owner));
    ::CloseClipboard();
}

TEST_F(ClipboardTest, FailureAfterEmptyingLeavesTheClipboardEmptyAndClosed)
{
    // A size no allocation can meet: the copy fails before it reads a byte.
    const char text[] = "192.168.0.10";
    EXPECT_FALSE(CopyToClipboard(m_Owner, text, std::numeric_limits<size_t>::max() / 2));
    EXPECT_EQ(ReadClipboardText(), std::nullopt);
    ASSERT_TRUE(::OpenClipboard(m_Owner));
    EXPECT_FALSE(::IsClipboardFormatAvailable(CF_TEXT));
    ::CloseClipboard();
}

// SetClipboardData takes a movable block. A fixed block's handle is its address, so what
// the clipboard holds must lock at an address other than its handle.
TEST_F(ClipboardTest, HandsTheClipboardAMovableBlock)
{
    const std::vector<char> address = TextBytes("192.168.0.10");
    ASSERT_TRUE(CopyToClipboard(m_Owner, address.data(), address.size()));
    ASSERT_TRUE(::OpenClipboard(m_Owner));
    HANDLE block = ::GetClipboardData(CF_TEXT);
    const void* bytes = block ? ::GlobalLock(block) : nullptr;
    if (bytes)
        ::GlobalUnlock(block);
    ::CloseClipboard();
    ASSERT_NE(bytes, nullptr);
    EXPECT_NE(bytes, static_cast<const void*>(block));
}

}  // namespace
