// Every file chooser of the program, as the real dialog shows it: whether it
// makes a file or needs one, the folder it starts in and the filter chosen.
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QPrinterInfo>
#include <functional>

#include "export/output_links.h"
#include "export/print_target.h"
#include "export/protocol.h"
#include "export/sheet_output.h"
#include "export/spectrum_file.h"
#include "parameters/par_block_page.h"
#include "test_output_support.h"
#include "ui_testing/dialogs.h"
#include "workspace/layout.h"
#include "workspace/stats.h"
#include "workspace/stats_state.h"

namespace {

using output_test::OutputTest;

struct ChooserCase {
    const char* name;
    std::function<void()> open;
    bool save;
    const char* filter;
    char* lastFolder; // where it starts: the last folder of its kind
    // A file chosen makes its folder the next start (-1: kept as it was).
    int remembers;
    const char* chosen = "file"; // the name chosen in a folder of its own
};

void Pdf() {
    std::string pdf;
    export_PdfWithoutPrinter("Save Protocol as PDF", "protocol.pdf", &pdf);
}

const ChooserCase kChoosers[] = {
    {"spectrum save", [] { SaveFile(0, 0, nullptr, 0); }, true, "*.val", cLastValPath, 1},
    {"spectrum open", [] { FileOpen(0, 0, nullptr, 0); }, false, "*.val", cLastValPath, -1},
    {"CSV table", [] { main_CreateCSVFile(); }, true, "*.csv", cLastCsvPath, 1},
    {"ASCII files", [] { main_CreateAsciiFile(); }, true, "*.dat", cLastDatPath, 1},
    {"workbook", [] { excelio_CreateNewBook(); }, true, "Microsoft Excel (*.xls *.xlsx)", cXlDir, 1,
     "file.xlsx"},
    {"statistics", [] { SaveStatisticsInFile(0, 0, EVENT_COMMIT, nullptr, 0, 0); }, true, "*.csv",
     cLastCsvPath, 1},
    {"graph picture", [] { FileSaveGraph(0, 0, nullptr, 0); }, true, "*.jpg", cProjektDir, 1},
    {"protocol PDF", Pdf, true, "*.pdf", cLastPdfPath, 1},
    {"protocol picture", [] { DownloadImage(0, 0, EVENT_COMMIT, nullptr, 0, 0); }, false,
     "*.jpg *.png *.bmp *.gif *.tif", cLastImagePath, 1},
    {".par read", [] { ReadParFile(0, 0, EVENT_COMMIT, nullptr, 0, 0); }, false, "*.par",
     cLastParPath, 1},
    {".par write", [] { SaveParFile(0, 0, EVENT_COMMIT, nullptr, 0, 0); }, true, "*.par",
     cLastParPath, 1},
    {"parameter text save", [] { SaveParToDisk(0, 0, EVENT_COMMIT, nullptr, 0, 0); }, true,
     "Parameters as Text (*.txt)", cLastParPath, 1},
    {"parameter text load", [] { LoadParFromDisk(0, 0, EVENT_COMMIT, nullptr, 0, 0); }, false,
     "*.txt", cLastParPath, 1},
};

// Opens the chooser with the real dialog and cancels it; any message that
// follows is closed.  False when no chooser came up.
bool Seen(const ChooserCase& c, ui_testing::Chooser* seen) {
    bool shown = false;
    popup_script::Enable(false);
    EXPECT_TRUE(ui_testing::Answering(c.open, [&](QWidget* w) {
        if (auto* d = qobject_cast<QFileDialog*>(w)) {
            *seen = ui_testing::Settings(*d);
            shown = true;
        }
        if (auto* d = qobject_cast<QDialog*>(w))
            d->reject();
    }));
    popup_script::Enable(true);
    return shown;
}

class FileChooserTest : public OutputTest {
  protected:
    void SetUp() override {
        OutputTest::SetUp();
        // No statistics table is loaded here: the save must find the store
        // empty, as a fresh start has it, not what a measuring test left.
        dStatistValues.clear();
        indxStatistics = 0;
        iMess = 1; // a measured set, as the spectrum save needs
    }
};

TEST_F(FileChooserTest, EachStartsInItsKindsLastFolderWithItsKindsFilter) {
    const bool printer = !QPrinterInfo::availablePrinters().isEmpty();
    const QString dir = QString::fromStdString(dir_.string());
    for (const ChooserCase& c : kChoosers) {
        SCOPED_TRACE(c.name);
        // Never the working folder: "" and "." start at home.
        for (const QString& last : {dir, QString(), QString(".")}) {
            std::snprintf(c.lastFolder, 260, "%s", last.toUtf8().constData());
            ui_testing::Chooser seen;
            if (!Seen(c, &seen)) {
                EXPECT_TRUE(printer && std::string(c.name) == "protocol PDF");
                break;
            }
            EXPECT_EQ(seen.save, c.save);
            EXPECT_EQ(seen.existing, !c.save);
            EXPECT_EQ(seen.asksBeforeReplacing, c.save);
            EXPECT_EQ(seen.folder, last == dir ? dir : QDir::homePath());
            EXPECT_EQ(seen.filter, c.filter);
        }
        // A file chosen there makes its folder the next start, or not.
        const std::filesystem::path sub = dir_ / "chosen";
        std::filesystem::create_directories(sub);
        std::snprintf(c.lastFolder, 260, "%s", dir_.c_str());
        popup_script::PushFile((sub / c.chosen).string(),
                               c.save ? VAL_NEW_FILE_SELECTED : VAL_EXISTING_FILE_SELECTED);
        c.open();
        // A save that goes on to ask for its comment, or a series for its
        // operator, leaves that box up (modal: it would take the clicks of
        // the tests that follow); a workbook stays open for its link.
        if (std::string(c.name) == "spectrum save")
            RemovePopup(hCommentPanel);
        if (std::string(c.name) == "ASCII files" && hOpPanel > 0)
            RemovePopup(hOpPanel);
        if (std::string(c.name) == "workbook") {
            EXPECT_EQ(iTableOpen, 1) << "the workbook was not made";
            excelio_xlsClose();
            iTableOpen = iExcelStart = 0;
        }
        EXPECT_EQ(QDir::cleanPath(c.lastFolder).toStdString(),
                  (c.remembers > 0 ? sub : dir_).string());
        c.lastFolder[0] = '\0';
    }
}

} // namespace
