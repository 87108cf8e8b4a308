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
std::string SpectrumSave() {
    iMess = 1; // a measured set
    cValPath[0] = '\0';
    SaveFile(0, 0, nullptr, 0);
    RemovePopup(hCommentPanel); // the comment it asks for next
    return cValPath;
}
std::string CsvTable() {
    cCsvPath[0] = '\0';
    main_CreateCSVFile();
    return cCsvPath;
}
std::string GraphPicture() {
    cFileName[0] = '\0';
    FileSaveGraph(0, 0, nullptr, 0);
    return cFileName;
}
std::string ProtocolPdf() {
    std::string pdf;
    return export_PdfWithoutPrinter("Save Protocol as PDF", "protocol.pdf", &pdf) > 0 ? pdf : "";
}
std::string Workbook() {
    cXlPath[0] = '\0';
    excelio_CreateNewBook();
    const std::string path = cXlPath;
    if (iTableOpen)
        StopExcelLink(0, 0, nullptr, 0);
    return path;
}
// The statistics file is written at once: the one at `saved`, unless that
// is still the file there before.
std::string Statistics(const fs::path& saved) {
    dStatistValues = {{1.0, 2.0}};
    indxStatistics = 2;
    iStat_CreatedTable = 1;
    SaveStatisticsInFile(0, 0, EVENT_COMMIT, nullptr, 0, 0);
    std::ifstream in(saved);
    std::string first;
    return std::getline(in, first) && first != "kept" ? saved.string() : "";
}

// Sets the name field whole (typed, its completion list could take the
// Return) and presses Return, as the user does.
void NameAndReturn(QFileDialog& d, const char* name) {
    auto* edit = d.findChild<QLineEdit*>("fileNameEdit");
    if (edit == nullptr)
        return d.reject();
    edit->setText(name);
    QTest::keyClick(edit, Qt::Key_Return);
}

} // namespace

TEST_F(SaveNames, TheChooserSettlesTheNameAndAsksAboutThatFile) {
    const std::string dir = dir_.string();
    struct Case {
        const char* typed;
        const char* saved;
        std::function<std::string()> save;
    } cases[] = {
        {"conc 2.5mM", "conc 2.5mM.val", SpectrumSave},
        {"batch 1.5", "batch 1.5.csv", CsvTable},
        {"pic 1.5", "pic 1.5.jpg", GraphPicture},
        {"x.JPG", "x.JPG", GraphPicture},
        {"x.jpeg", "x.jpeg", GraphPicture},
        {"P.PDF", "P.PDF", ProtocolPdf},
        {"stats 2.5", "stats 2.5.csv", [&] { return Statistics(dir_ / "stats 2.5.csv"); }},
        {"book 1.5", "book 1.5.xls", Workbook},
        {"B.XLSX", "B.XLSX", Workbook},
    };
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        for (char* last : {cLastValPath, cLastCsvPath, cProjektDir, cLastPdfPath, cXlDir})
            std::snprintf(last, 260, "%s", dir.c_str());
        const fs::path saved = dir_ / c.saved;
        fs::remove(saved);
        // First as a new file, then once it is there: the question names it,
        // and No keeps the chooser open (then cancelled).
        for (bool there : {false, true}) {
            if (there)
                std::ofstream(saved) << "kept";
            int choosers = 0;
            QString asked;
            std::string went;
            popup_script::Enable(false);
            EXPECT_TRUE(uitesting::Answering([&] { went = c.save(); },
                                             [&](QWidget* w) {
                                                 if (auto* d = qobject_cast<QFileDialog*>(w)) {
                                                     if (++choosers == 1)
                                                         NameAndReturn(*d, c.typed);
                                                     else
                                                         d->reject();
                                                 } else if (auto* box =
                                                                qobject_cast<QMessageBox*>(w)) {
                                                     if (box->button(QMessageBox::No) != nullptr) {
                                                         asked = box->text();
                                                         uitesting::Click(*box, QMessageBox::No);
                                                     } else {
                                                         box->reject();
                                                     }
                                                 }
                                             }));
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
