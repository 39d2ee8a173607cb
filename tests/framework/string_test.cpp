// The framework's string and array, as the program relies on them.
#include <gtest/gtest.h>

#include "afx.h"
#include "afxwin.h"
#include "resource.h"

namespace {

TEST(CStringTest, CopiesShareUntilOneIsWritten) {
    CString a("ding.wav");
    CString b = a;
    EXPECT_EQ(static_cast<LPCSTR>(a), static_cast<LPCSTR>(b)) << "a copy shares the buffer";
    b.SetAt(0, 'D');
    EXPECT_STREQ(a, "ding.wav");
    EXPECT_STREQ(b, "Ding.wav");
    b += "x";
    EXPECT_STREQ(a, "ding.wav");
}

TEST(CStringTest, ConcatenationAndParts) {
    CString app(".Default");
    CString path = "AppEvents\\Schemes\\Apps\\" + app;
    EXPECT_STREQ(path, "AppEvents\\Schemes\\Apps\\.Default");
    path += '\\';
    path += path.Left(3);
    EXPECT_STREQ(path, "AppEvents\\Schemes\\Apps\\.Default\\App");
    EXPECT_STREQ(path.Right(3), "App");
    EXPECT_STREQ(path.Mid(10, 7), "Schemes");
    EXPECT_STREQ(path.Left(-1), "");
    EXPECT_STREQ(path.Left(1000), path);
    EXPECT_STREQ(path.Mid(1000), "");
    CString self("ab");
    self += self;
    EXPECT_STREQ(self, "abab");
}

TEST(CStringTest, KeepsEmbeddedLengthAndEmptiness) {
    CString s("abc", 2);
    EXPECT_EQ(s.GetLength(), 2);
    EXPECT_STREQ(s, "ab");
    CString empty;
    EXPECT_TRUE(empty.IsEmpty());
    EXPECT_STREQ(empty, "");
    s.Empty();
    EXPECT_TRUE(s.IsEmpty());
    CString assigned("C:\\c.wav");
    assigned = empty;
    EXPECT_EQ(assigned.GetLength(), 0) << "assigning an empty string empties";
    assigned = "x";
    assigned = "";
    EXPECT_STREQ(assigned, "");
    EXPECT_EQ(CString(nullptr).GetLength(), 0);
}

TEST(CStringTest, BufferAccessSetsTheLength) {
    CString s;
    char* p = s.GetBuffer(259);
    lstrcpyA(p, "C:\\WAVE");
    s.ReleaseBuffer();
    EXPECT_EQ(s.GetLength(), 7);
    p = s.GetBuffer(10);
    s.ReleaseBuffer(3);
    EXPECT_STREQ(s, "C:\\");
}

TEST(CStringTest, SearchesStepOverDoubleByteCharacters) {
    ASSERT_EQ(GetACP(), 932u) << "the tests run in code page 932";
    // 表 is 0x95 0x5C in code page 932: its trail byte is a backslash.
    CString path("C:\\表\\表.wav");
    ASSERT_EQ(path.GetLength(), 12);
    EXPECT_EQ(path.ReverseFind('\\'), 5);
    EXPECT_EQ(CString("表").ReverseFind('\\'), -1);
    EXPECT_EQ(CString("表").Find('\\'), -1);
    EXPECT_EQ(CString("ｱ\\").Find('\\'), 1) << "half-width kana are single bytes";
    EXPECT_EQ(path.Find(".wav"), 8);
}

TEST(CStringTest, LoadsJapaneseResourceStringsInCodePage932) {
    CString s;
    ASSERT_TRUE(s.LoadString(IDS_JAPANESE));
    EXPECT_STREQ(s, "ソフト表示\\");
    EXPECT_EQ(s.GetLength(), 11);
    EXPECT_FALSE(s.LoadString(999));
}

TEST(CObArrayTest, KeepsPointersInOrderWithoutOwningThem) {
    struct Item : CObject {};
    Item a, b;
    CObArray array;
    EXPECT_EQ(array.Add(&a), 0);
    EXPECT_EQ(array.Add(&b), 1);
    EXPECT_EQ(array.GetSize(), 2);
    EXPECT_EQ(array[1], &b);
    EXPECT_EQ(array.GetAt(2), nullptr);
    EXPECT_EQ(array.GetAt(-1), nullptr);
    array.RemoveAll();
    EXPECT_EQ(array.GetSize(), 0);
}

TEST(CWinAppTest, StartsLikeTheFrameworkDoes) {
    // The mode is set as it is, not added to what was there.
    SetErrorMode(SEM_NOGPFAULTERRORBOX);
    AfxWinInit(GetModuleHandleA(nullptr), nullptr, GetCommandLineA(), SW_SHOWNORMAL);
    EXPECT_EQ(GetErrorMode() & ~SEM_NOALIGNMENTFAULTEXCEPT,
              static_cast<UINT>(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX));
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    CString exe(path);
    CString base = exe.Mid(exe.ReverseFind('\\') + 1);
    base = base.Left(base.ReverseFind('.'));
    EXPECT_STREQ(AfxGetApp()->m_pszExeName, base);
    EXPECT_STREQ(AfxGetAppName(), base) << "no title string: the executable names the application";
    EXPECT_STREQ(AfxGetApp()->m_pszHelpFilePath, exe.Left(exe.ReverseFind('.')) + ".HLP");
}

}  // namespace
