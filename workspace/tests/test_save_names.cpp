// The name a save takes, typed into the real file chooser: the kind's
// extension is added unless the name already ends in it (a dot elsewhere is
// part of the name), and the chooser asks before it replaces that very file.
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>
#include <fstream>
#include <functional>

#include "export/output_links.h"
#include "export/print_target.h"
#include "export/sheet_output.h"
#include "export/spectrum_file.h"
#include "test_output_support.h"
#include "ui_testing/dialogs.h"
#include "workspace/layout.h"
#include "workspace/stats.h"
#include "workspace/stats_state.h"

namespace {

using output_test::OutputTest;
namespace fs = std::filesystem;

class SaveNames : public OutputTest {
  protected:
    void TearDown() override {
        dStatistValues.clear();
        indxStatistics = 0;
        iStat_CreatedTable = 0;
        OutputTest::TearDown();
    }
};

// Each opens its kind's save chooser and gives back the file the program
// went on with ("" when none).
std::string Taken(const std::function<void()>& open, char* path) {
    path[0] = '\0';
    open();
    return path;
}

} // namespace

TEST_F(SaveNames, TheChooserSettlesTheNameAndAsksAboutThatFile) {
    const auto spectrum = [] {
        iMess = 1; // a measured set
        const std::string p = Taken([] { SaveFile(0, 0, nullptr, 0); }, cValPath);
        RemovePopup(hCommentPanel); // the comment it asks for next
        return p;
    };
    const auto csv = [] { return Taken([] { main_CreateCSVFile(); }, cCsvPath); };
    const auto jpeg = [] { return Taken([] { FileSaveGraph(0, 0, nullptr, 0); }, cFileName); };
    const auto pdf = [] {
        std::string p;
        return export_PdfWithoutPrinter("Save Protocol as PDF", "protocol.pdf", &p) > 0 ? p : "";
    };
    const auto book = [] {
        const std::string p = Taken([] { excelio_CreateNewBook(); }, cXlPath);
        if (iTableOpen)
            StopExcelLink(0, 0, nullptr, 0);
        return p;
    };
    const fs::path stats = dir_ / "stats 2.5.csv";
    const auto statistics = [&] { // written at once: the file, unless still the one before
        dStatistValues = {{1.0, 2.0}};
        indxStatistics = 2;
        iStat_CreatedTable = 1;
        SaveStatisticsInFile(0, 0, EVENT_COMMIT, nullptr, 0, 0);
        std::ifstream in(stats);
        std::string first;
        return std::getline(in, first) && first != "kept" ? stats.string() : "";
    };
    const struct {
        const char* typed;
        const char* saved;
        std::function<std::string()> save;
    } cases[] = {
        {"conc 2.5mM", "conc 2.5mM.val", spectrum},
        {"batch 1.5", "batch 1.5.csv", csv},
        {"pic 1.5", "pic 1.5.jpg", jpeg},
        {"x.JPG", "x.JPG", jpeg},
        {"x.jpeg", "x.jpeg", jpeg},
        {"P.PDF", "P.PDF", pdf},
        {"stats 2.5", "stats 2.5.csv", statistics},
        {"book 1.5", "book 1.5.xls", book},
        {"B.XLSX", "B.XLSX", book},
    };
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        for (char* last : {cLastValPath, cLastCsvPath, cProjektDir, cLastPdfPath, cXlDir})
            std::snprintf(last, 260, "%s", dir_.c_str());
        const fs::path saved = dir_ / c.saved;
        fs::remove(saved);
        // A new file, then one that is there: the question names it, and No
        // keeps the chooser open (then cancelled).
        for (bool there : {false, true}) {
            if (there)
                std::ofstream(saved) << "kept";
            int choosers = 0;
            QString asked;
            std::string went;
            const auto answer = [&](QWidget* w) {
                auto* box = qobject_cast<QMessageBox*>(w);
                if (auto* d = qobject_cast<QFileDialog*>(w); d && ++choosers > 1) {
                    d->reject();
                } else if (d) { // the name set whole: typed, its completion could take Return
                    auto* edit = d->findChild<QLineEdit*>("fileNameEdit");
                    edit->setText(c.typed);
                    QTest::keyClick(edit, Qt::Key_Return);
                } else if (box && box->button(QMessageBox::No) != nullptr) {
                    asked = box->text();
                    ui_testing::Click(*box, QMessageBox::No);
                } else if (box) {
                    box->reject();
                }
            };
            popup_script::Enable(false);
            EXPECT_TRUE(ui_testing::Answering([&] { went = c.save(); }, answer));
            popup_script::Enable(true);
            if (!there && choosers == 0) {
                EXPECT_EQ(std::string(c.saved), "P.PDF") << "only the PDF, where a printer is";
                break;
            }
            EXPECT_EQ(went, there ? "" : saved.string());
            EXPECT_EQ(asked.contains(c.saved), there) << asked.toStdString();
            EXPECT_EQ(choosers, there ? 2 : 1);
        }
    }
}
