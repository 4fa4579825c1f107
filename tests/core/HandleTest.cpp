// The owners of handles: what they close when they go, how ownership moves, what an owner
// of nothing holds for each kind; and a selection into a DC undone in that DC.
#include "winlib/DC.h"
#include "winlib/GdiObject.h"
#include "winlib/Library.h"
#include "winlib/Socket.h"
#include "winlib/Thread.h"

#include <gtest/gtest.h>

#include <utility>

namespace {

bool IsOpen(HANDLE handle)
{
    DWORD flags = 0;
    return ::GetHandleInformation(handle, &flags) != FALSE;
}

HANDLE NewEvent()
{
    return ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
}

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
    const HANDLE event = NewEvent();
    ASSERT_NE(event, nullptr);
    {
        const CHandle held(event);
        EXPECT_TRUE(held);
    }
    EXPECT_FALSE(IsOpen(event)) << "the handle is still open";
}

TEST(Handle, OwnershipMovesAndTheLastOwnerCloses)
{
    const HANDLE first = NewEvent();
    const HANDLE second = NewEvent();
    ASSERT_TRUE(first && second);
    CHandle moved;
    {
        CHandle owner(first);
        moved = std::move(owner);
        EXPECT_FALSE(owner);
        EXPECT_EQ(owner.Get(), nullptr);
    }
    EXPECT_TRUE(IsOpen(first)) << "closed by the owner it was moved from";

    CHandle other(second);
    other = std::move(moved);  // lets go of what it held
    EXPECT_FALSE(IsOpen(second));
    EXPECT_EQ(other.Get(), first);

    CHandle constructed(std::move(other));
    EXPECT_EQ(constructed.Get(), first);
    constructed.Attach(nullptr);
    EXPECT_FALSE(IsOpen(first));
    EXPECT_FALSE(constructed);
}

TEST(Handle, ADetachedHandleStaysOpen)
{
    CHandle owner(NewEvent());
    ASSERT_TRUE(owner);
    const HANDLE given = owner.Detach();
    EXPECT_FALSE(owner);
    EXPECT_TRUE(IsOpen(given));
    EXPECT_TRUE(::CloseHandle(given));
}

TEST(Handle, AnOwnerOfNothingHoldsTheInvalidValueOfItsKind)
{
    EXPECT_EQ(CHandle().Get(), nullptr);
    EXPECT_EQ(CBitmap().Get(), nullptr);
    EXPECT_EQ(CIcon().Get(), nullptr);
    EXPECT_EQ(CLibrary().Get(), nullptr);
    // A socket's invalid value is not null, and null is a socket number.
    EXPECT_EQ(CSocket().Get(), INVALID_SOCKET);
    EXPECT_FALSE(CSocket());
    EXPECT_EQ(CSocket().Detach(), INVALID_SOCKET);

    // What failed to open: nothing to release, nothing to look up in.
    const CSocket unknownFamily(-1, SOCK_DGRAM, 0);
    EXPECT_FALSE(unknownFamily);
    EXPECT_EQ(unknownFamily.Get(), INVALID_SOCKET);
    const CLibrary missing("no-such-library-here.dll");
    EXPECT_FALSE(missing);
    EXPECT_EQ(missing.GetProc<FARPROC>("DllGetVersion"), nullptr);
}

TEST(Handle, GdiObjectsAndIconsAreDeletedWithTheirOwner)
{
    HBITMAP bitmap = ::CreateBitmap(2, 2, 1, 1, nullptr);
    ASSERT_EQ(::GetObjectType(bitmap), static_cast<DWORD>(OBJ_BITMAP));
    {
        CBitmap first(bitmap);
        const CBitmap second(std::move(first));
        EXPECT_EQ(static_cast<HBITMAP>(second), bitmap);
    }
    EXPECT_EQ(::GetObjectType(bitmap), 0u) << "the bitmap is still there";

    const BYTE andMask[4 * 4] = {}, xorMask[4 * 4] = {};
    HICON icon = ::CreateIcon(nullptr, 4, 4, 1, 1, andMask, xorMask);
    ASSERT_NE(icon, nullptr);
    {
        const CIcon owner(icon);
        ICONINFO info{};
        ASSERT_TRUE(::GetIconInfo(owner, &info));
        ::DeleteObject(info.hbmMask);
        ::DeleteObject(info.hbmColor);
    }
    EXPECT_FALSE(::DestroyIcon(icon)) << "the icon is still there";
}

TEST(SelectObject, PutsThePreviousObjectBackIntoTheDcItSelectedInto)
{
    const CMemDC first(nullptr);
    const CMemDC second(nullptr);
    const CBitmap bitmap(::CreateBitmap(2, 2, 1, 1, nullptr));
    ASSERT_TRUE(first && second && bitmap);
    const HGDIOBJ firstOriginal = ::GetCurrentObject(first, OBJ_BITMAP);
    const HGDIOBJ secondOriginal = ::GetCurrentObject(second, OBJ_BITMAP);
    {
        const CSelectObject select(first, bitmap);
        EXPECT_EQ(::GetCurrentObject(first, OBJ_BITMAP), bitmap.Get());
    }
    EXPECT_EQ(::GetCurrentObject(first, OBJ_BITMAP), firstOriginal);
    EXPECT_EQ(::GetCurrentObject(second, OBJ_BITMAP), secondOriginal);

    // Without a DC nothing is selected, and nothing is put back anywhere.
    { const CSelectObject none(nullptr, bitmap); }
    EXPECT_EQ(::GetCurrentObject(first, OBJ_BITMAP), firstOriginal);
}

}  // namespace
