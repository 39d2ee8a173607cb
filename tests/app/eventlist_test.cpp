// The event list as the user sees it: pixels read back from the real list box.
#include <algorithm>

#include "app_fixture.h"

namespace {

using apptest::SchemeTest;

class EventListTest : public SchemeTest {
protected:
    void Open() {
        m_dlg = OpenDialog();
        m_hList = GetDlgItem(m_dlg->m_hWnd, IDC_EVENT_LIST);
        SetForegroundWindow(m_dlg->m_hWnd);
        UpdateWindow(m_hList);
        harness::PumpMessages(50);
        m_nRow = static_cast<int>(SendMessageA(m_hList, LB_GETITEMHEIGHT, 0, 0));
    }
    void TearDown() override {
        if (m_dlg) m_dlg->DestroyWindow();
    }
    COLORREF Pixel(int x, int y) {
        HDC hdc = GetDC(m_hList);
        COLORREF c = GetPixel(hdc, x, y);
        ReleaseDC(m_hList, hdc);
        return c;
    }
    // Scrolls the row into view; returns its top in the list's client area.
    int RowTop(int row) {
        if (row >= static_cast<int>(SendMessageA(m_hList, LB_GETTOPINDEX, 0, 0)) + 4) {
            SendMessageA(m_hList, LB_SETTOPINDEX, row, 0);
            UpdateWindow(m_hList);
        }
        return (row - static_cast<int>(SendMessageA(m_hList, LB_GETTOPINDEX, 0, 0))) * m_nRow;
    }
    // Whether any pixel of the rectangle (row-relative, inclusive) has the colour.
    bool Any(int row, int x0, int y0, int x1, int y1, COLORREF colour) {
        int top = RowTop(row);
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x)
                if (Pixel(x, top + y) == colour) return true;
        return false;
    }
    // Whether every pixel of the rectangle has the colour.
    bool All(int row, int x0, int y0, int x1, int y1, COLORREF colour) {
        int top = RowTop(row);
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x)
                if (Pixel(x, top + y) != colour) return false;
        return true;
    }
    // The item data, that is the table index, of each row from the top.
    std::vector<std::string> Order() {
        std::vector<std::string> keys;
        int n = static_cast<int>(SendMessageA(m_hList, LB_GETCOUNT, 0, 0));
        for (int i = 0; i < n; ++i) {
            auto index = static_cast<int>(SendMessageA(m_hList, LB_GETITEMDATA, i, 0));
            keys.emplace_back(m_dlg->Event(index)->GetKey());
        }
        return keys;
    }

    std::unique_ptr<apptest::TestDlg> m_dlg;
    HWND m_hList = nullptr;
    int m_nRow = 0;
};

const COLORREF kRed = RGB(255, 0, 0);

TEST_F(EventListTest, RowsAreHalfAnIconOrTheFontHigh) {
    AddEvent("A", "エー", "C:\\a.wav");
    Open();
    HDC hdc = GetDC(m_hList);
    TEXTMETRICA tm;
    GetTextMetricsA(hdc, &tm);
    ReleaseDC(m_hList, hdc);
    int half = GetSystemMetrics(SM_CYICON) / 2;
    EXPECT_EQ(m_nRow, tm.tmHeight > half ? tm.tmHeight : half);
    EXPECT_GE(m_nRow, 16);
}

TEST_F(EventListTest, IconOnlyBesideFullPathsAndLabelsAlwaysAtTheSamePlace) {
    // Labels sort these rows in this order.
    AddEvent("E1", "a1", "C:\\ding.wav");
    AddEvent("E2", "a2", "chimes.wav");
    AddEvent("E3", "a3", "c:\\x");
    AddEvent("E4", "a4", "");
    AddEvent("E5", "a5", "\\\\srv\\share\\x.wav");
    AddEvent("E6", "a6", "C:x.wav");
    AddEvent("E7", "a7", "Z:\\");
    Open();
    ASSERT_EQ(Order(), (std::vector<std::string>{"E1", "E2", "E3", "E4", "E5", "E6", "E7"}));
    bool expectIcon[] = {true, false, true, false, false, false, true};
    COLORREF window = GetSysColor(COLOR_WINDOW) & 0xFFFFFF;
    int bottom = std::min(12, m_nRow - 1);
    for (int row = 0; row < 7; ++row) {
        SCOPED_TRACE("row " + std::to_string(row));
        EXPECT_EQ(Any(row, 1, 2, 14, bottom, kRed), expectIcon[row]);
        if (row > 0) {
            EXPECT_TRUE(All(row, 0, 0, 0, m_nRow - 1, window)) << "column 0 is background";
            if (!expectIcon[row]) {
                EXPECT_TRUE(All(row, 0, 0, m_nRow + 1, m_nRow - 1, window));
            }
            // Nothing between the icon's square and the label.
            EXPECT_TRUE(All(row, 15, 0, m_nRow + 1, m_nRow - 1, window));
            EXPECT_FALSE(All(row, m_nRow + 2, 0, m_nRow + 12, m_nRow - 1, window)) << "the label starts here";
        }
    }
}

TEST_F(EventListTest, SelectedRowUsesHighlightColoursWithoutFocusRectangle) {
    AddEvent("A", "エー", "C:\\a.wav");
    AddEvent("B", "ビー", "");
    Open();
    SetFocus(m_hList);
    harness::PumpMessages(50);
    RECT rc;
    GetClientRect(m_hList, &rc);
    COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT) & 0xFFFFFF;
    COLORREF window = GetSysColor(COLOR_WINDOW) & 0xFFFFFF;
    int right = rc.right - 1;
    // The selected row's edges keep the highlight colour: no dotted focus frame.
    EXPECT_TRUE(All(0, m_nRow + 2, 0, right, 0, highlight));
    EXPECT_TRUE(All(0, m_nRow + 2, m_nRow - 1, right, m_nRow - 1, highlight));
    EXPECT_TRUE(All(0, right, 0, right, m_nRow - 1, highlight));
    EXPECT_TRUE(All(1, right - 5, 0, right, m_nRow - 1, window));

    // Losing the focus changes nothing in the selected row.
    SetFocus(GetDlgItem(m_dlg->m_hWnd, IDOK));
    harness::PumpMessages(50);
    EXPECT_TRUE(All(0, right - 5, 0, right, m_nRow - 1, highlight));
}

TEST_F(EventListTest, LabelsSortByTheLocaleRulesAndEqualLabelsStandTogether) {
    AddEvent("K1", "b");
    AddEvent("K2", "B");
    AddEvent("K3", "a");
    AddEvent("K4", "A");
    AddEvent("K5", "b");
    Open();
    std::vector<std::string> order = Order();
    ASSERT_EQ(order.size(), 5u);
    EXPECT_EQ(order[0], "K3");
    EXPECT_EQ(order[1], "K4");
    // The two "b" events stand next to each other, before "B".
    EXPECT_TRUE((order[2] == "K1" && order[3] == "K5") || (order[2] == "K5" && order[3] == "K1"));
    EXPECT_EQ(order[4], "K2");
}

TEST_F(EventListTest, EachRowsTextIsItsLabelForScreenReaders) {
    const char* labels[] = {"b", "B", "a", "A", "b", "A&B", "既定の音", "メール", "", "ｶﾀｶﾅ"};
    for (int i = 0; i < 10; ++i) AddEvent("K" + std::to_string(i), labels[i]);
    Open();
    int n = static_cast<int>(SendMessageA(m_hList, LB_GETCOUNT, 0, 0));
    ASSERT_EQ(n, 10);
    std::vector<std::string> texts;
    for (int row = 0; row < n; ++row) {
        auto index = static_cast<int>(SendMessageA(m_hList, LB_GETITEMDATA, row, 0));
        ASSERT_GE(index, 0);
        ASSERT_LT(index, 10);
        texts.push_back(harness::ListText(m_dlg->m_hWnd, IDC_EVENT_LIST, row));
        EXPECT_EQ(texts.back(), std::string(m_dlg->Event(index)->GetLabel())) << "row " << row;
    }
    EXPECT_TRUE(std::is_sorted(texts.begin(), texts.end(), [](const std::string& a, const std::string& b) {
        return lstrcmpA(a.c_str(), b.c_str()) < 0;
    }));
}

TEST_F(EventListTest, AmpersandIsDrawnLiterally) {
    AddEvent("K1", "A&&B");  // 1st row
    AddEvent("K2", "A&B");   // 2nd row
    AddEvent("K3", "AB");    // 3rd row
    Open();
    ASSERT_EQ(Order(), (std::vector<std::string>{"K1", "K2", "K3"}));
    COLORREF window = GetSysColor(COLOR_WINDOW) & 0xFFFFFF;
    auto extent = [&](int row) {
        int last = 0;
        for (int x = m_nRow + 2; x < m_nRow + 80; ++x)
            if (!All(row, x, 0, x, m_nRow - 1, window)) last = x;
        return last;
    };
    EXPECT_GT(extent(1), extent(2)) << "the ampersand takes room of its own";
    EXPECT_GT(extent(0), extent(1));
}

TEST_F(EventListTest, DrawRequestForNoItemTouchesNothing) {
    AddEvent("A", "エー", "C:\\a.wav");
    Open();
    HDC hdc = CreateCompatibleDC(nullptr);
    HDC screen = GetDC(nullptr);
    HBITMAP bmp = CreateCompatibleBitmap(screen, 40, 40);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(hdc, bmp);
    PatBlt(hdc, 0, 0, 40, 40, BLACKNESS);
    DRAWITEMSTRUCT dis{};
    dis.CtlType = ODT_LISTBOX;
    dis.CtlID = IDC_EVENT_LIST;
    dis.itemID = static_cast<UINT>(-1);
    dis.itemAction = ODA_FOCUS;
    dis.itemState = ODS_FOCUS;
    dis.hwndItem = m_hList;
    dis.hDC = hdc;
    dis.rcItem = RECT{0, 0, 40, 20};
    dis.itemData = 0;  // a real event's index: only the item number says there is nothing to draw
    SendMessageA(m_dlg->m_hWnd, WM_DRAWITEM, IDC_EVENT_LIST, reinterpret_cast<LPARAM>(&dis));
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x) ASSERT_EQ(GetPixel(hdc, x, y), RGB(0, 0, 0));
    SelectObject(hdc, old);
    DeleteObject(bmp);
    DeleteDC(hdc);
}

}  // namespace
