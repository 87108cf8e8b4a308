// The program's windows on screens of common sizes: each fits with its frame
// and menu bar, and every label, button text and read-out shows whole.
// Each screen size runs in a process of its own, started on a screen of that
// size, as the program itself would be.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTabWidget>
#include <QTest>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <set>
#include <string>

#include "export/export_state.h"
#include "link/shared_state.h"
#include "orvalin_ui.h"
#include "parameters/parameters_state.h"
#include "shown_whole.h"
#include "ui/popup_script.h"
#include "ui/ui.h"
#include "ui/ui_qt.h"
#include "workspace/display.h"
#include "workspace/layout.h"
#include "workspace/orvalin.h"
#include "workspace/state.h"

namespace {

std::set<std::string> g_problems; // one line each

void Note(const std::string& line) {
    g_problems.insert(line + "\n");
}

void OnMisuse(int code, const char* call, const char* what) {
    Note("toolkit call failed with " + std::to_string(code) + ": " + call + ": " + what);
}

// Every window the program loads.
std::vector<int> Windows() {
    return {hMainPanel,     hParUtil,        hStatTable,  hStatPar,          hFFTParPanel,
            hSmoothPanel,   hAxisScaling,    hWlValDispl, hInfLoad,          hCommentPanel,
            hAboutPanel,    hAsFHelp,        iCSVhandle,  hCOGIntervalPanel, hOpPanel,
            hFuncPanel,     hDevselectPanel, hDDEPanel,   hScalePanel,       hConfigPanel,
            hProgressPanel, hStatWaitInf,    hPrtHead,    hPrtPanel};
}

std::string Name(int panel) {
    return UiPanelWidget(panel)->objectName().toStdString();
}

void NoteCutTexts(int panel, const std::string& when) {
    for (QWidget* w : UiPanelWidget(panel)->findChildren<QWidget*>())
        if (const QString text = shown::Cut(w); !text.isEmpty())
            Note(Name(panel) + when + ": " + w->objectName().toStdString() + " shows \"" +
                 text.toStdString() + "\" cut");
}

// Every tab of the parameter window marked changed (bold), each page in turn
// chosen by a click on its tab.
void LookThroughTheParameterPages() {
    auto* tabs = qobject_cast<QTabWidget*>(UiCtrlWidget(hParUtil, PARUTILITY_TABPAR));
    for (int i = 0; i < tabs->count(); ++i)
        SetTabPageAttribute(hParUtil, PARUTILITY_TABPAR, i, ATTR_TAB_LABEL_BOLD, 1);
    DisplayPanel(hParUtil);
    QApplication::processEvents();
    for (int i = 0; i < tabs->count(); ++i) {
        QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, {}, tabs->tabBar()->tabRect(i).center());
        QApplication::processEvents();
        if (const QString text = shown::CutTab(tabs->tabBar(), i, true); !text.isEmpty())
            Note("tab \"" + text.toStdString() + "\" cut");
        NoteCutTexts(hParUtil, "");
    }
    HidePanel(hParUtil);
}

// What the main window shows as the user works: the dark-plus-reference
// button, and each curve on either axis.
void LookThroughTheMainWindow() {
    DisplayPanel(hMainPanel);
    QApplication::processEvents();
    QTest::mouseClick(UiCtrlWidget(hMainPanel, MAINP_CHECKBOXDARKREF), Qt::LeftButton);
    NoteCutTexts(hMainPanel, " with dark + reference");
    for (int axis : {1, 0}) {
        iPxlWlMode = axis;
        for (int curve = SHOW_DARK; curve <= SHOW_SERIES; ++curve) {
            set_ConfigGraphAxis(curve, 1, axis);
            QApplication::processEvents();
            NoteCutTexts(hMainPanel, " showing curve " + std::to_string(curve) +
                                         (axis ? " by wavelength" : " by pixel"));
        }
    }
}

// In a process of its own: the program's windows loaded on a screen of that
// size; what does not fit, one line each.
std::string LookOnAScreenOf(int width, int height) {
    char dir[] = "/tmp/screen_fit_XXXXXX";
    if (mkdtemp(dir) == nullptr)
        return "no scratch folder\n";
    const std::string config = std::string(dir) + "/screen.json";
    std::ofstream(config) << "{\"screens\": [{\"name\": \"screen\", \"x\": 0, \"y\": 0, "
                          << "\"width\": " << width << ", \"height\": " << height
                          << ", \"logicalDpi\": 96}]}";
    setenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + config).c_str(), 1);
    setenv("XDG_CONFIG_HOME", dir, 1);
    unsetenv("ZOLT_SIM_CONFIG");
    static char name[] = "workspace_tests";
    static char* argv[] = {name, nullptr};
    if (InitUserInterface(1, argv) != 0)
        return "no user interface\n";
    SetUiMisuseHook(OnMisuse);
    popup_script::Enable(true);
    InitVariables(0);
    orvalin_Wire();
    if (orvalin_LoadPanels() != 0)
        return "panels not loaded: " + GetUiErrorText() + "\n";
    Init();

    int sw = 0, sh = 0;
    GetScreenSize(&sh, &sw);
    if (sw != width || sh != height)
        Note("screen " + std::to_string(sw) + "x" + std::to_string(sh));
    for (int panel : Windows()) {
        int w = 0, h = 0, top = -1, left = -1;
        GetPanelAttribute(panel, ATTR_WIDTH, &w);
        GetPanelAttribute(panel, ATTR_HEIGHT, &h);
        GetPanelAttribute(panel, ATTR_TOP, &top);
        GetPanelAttribute(panel, ATTR_LEFT, &left);
        if (top < 0 || left < 0 || top + h + kFrameHeight > sh || left + w + kFrameWidth > sw)
            Note(Name(panel) + ": " + std::to_string(w) + "x" + std::to_string(h) + " at " +
                 std::to_string(left) + "," + std::to_string(top) + " does not fit with its frame");
        DisplayPanel(panel);
        QApplication::processEvents();
        NoteCutTexts(panel, "");
        HidePanel(panel);
    }
    LookThroughTheParameterPages();
    LookThroughTheMainWindow();
    std::string all;
    for (const std::string& line : g_problems)
        all += line;
    return all;
}

void Exit(const std::string& problems) {
    std::fputs(problems.c_str(), stderr);
    std::fflush(stderr);
    std::_Exit(problems.empty() ? 0 : 1); // no leak report of the toolkit left running
}

TEST(ScreenFit, EveryWindowFitsAndShowsItsTextsWhole) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const std::pair<int, int> screens[] = {{1024, 768}, {1366, 768}, {1920, 1080}, {2560, 1440}};
    for (const auto& [width, height] : screens) {
        SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height));
        EXPECT_EXIT(Exit(LookOnAScreenOf(width, height)), ::testing::ExitedWithCode(0), "");
    }
}

} // namespace
