// One measurement as one spreadsheet column, the same for the workbook file
// and the live application: a description column first when the layout
// changed, then the data column.  Rows are counted from 1; the file keeps
// row r at its zero-based row r, so its first row stays empty.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "export/export_state.h"
#include "export/sheet_output.h"
#include "link/hooks.h"
#include "link/shared_state.h"
#include "links_internal.h"
#include "orvalin_ui.h"
#include "sheet_internal.h"
#include "support/numfmt.h"
#include "ui/ui.h"

namespace {

constexpr int kMarkerShift = 14; // rows the marker block pushes the spectrum down
constexpr int kFirstMarkerRow = 6;

bool g_rowsCutTold = false;
bool g_liveRefusalTold = false;
int g_describedFwhm = -1;        // SAVEFWHM of the last description column
bool g_describedSpectra = false; // it labels the spectrum rows

const char* KindText(int select, int funcNr) {
    switch (select) {
    case 1:
        return "dark";
    case 2:
        return "reference";
    case 3:
        return "transmission";
    case 4:
        return "absorbance";
    case 5:
        return funcNr == 2 ? "2. derivation" : funcNr == 1 ? "derivation" : "";
    default:
        return "";
    }
}

// The curve a column shows, in arrays of its own or the display's.
struct Curve {
    std::vector<double> x, y; // own copy (the dark curve)
    const double* xs = nullptr;
    const double* ys = nullptr;
    int count = 0;
};

double MainValue(int control) {
    double v = 0.0;
    if (hMainPanel > 0)
        GetCtrlVal(hMainPanel, control, &v);
    return v;
}

// The dark curve resampled as the display would, cut to the displayed range.
// It is built in arrays of its own: the display's arrays and their count stay
// what the graph shows.
void DarkCurve(const OutputView& v, Curve* c) {
    const int pixels = stParam.pixelCount;
    if (dDark == nullptr || dLambda == nullptr || pixels < 1 || pixels > iAllocatedPixels)
        return;
    const int mode = v.iXAchse == 1 ? iInterplMode : 0;
    const int need = g_workspaceHooks.display_GridPoints(dLambda, mode, pixels - 1);
    if (need <= 0)
        return;
    c->x.assign(static_cast<std::size_t>(need), 0.0);
    c->y.assign(static_cast<std::size_t>(need), 0.0);
    int n = g_workspaceHooks.InterpolSpectra(c->x.data(), c->y.data(), dDark, dLambda, mode,
                                             pixels - 1);
    n = std::min(n, need);
    const double start = MainValue(MAINP_STARTWL);
    const double end = MainValue(MAINP_ENDWL);
    int first = 0;
    while (first < n && c->x[static_cast<std::size_t>(first)] < start)
        ++first;
    // No point reaches the start of the range: nothing of the curve is shown.
    if (first >= n)
        return;
    int last = first;
    while (last < n - 1 && c->x[static_cast<std::size_t>(last)] < end)
        ++last;
    c->xs = c->x.data() + first;
    c->ys = c->y.data() + first;
    c->count = last - first + 1;
}

void ShownCurve(const OutputView& v, Curve* c) {
    if (*KindText(v.iSelect, v.FuncNr) == '\0')
        return;
    if (v.iSelect == 1) {
        DarkCurve(v, c);
        return;
    }
    if (dXInterpolVal == nullptr || dYInterpolVal == nullptr || iNumOfMeas <= 0)
        return;
    c->xs = dXInterpolVal;
    c->ys = dYInterpolVal;
    c->count =
        iAllocatedDisplay > 0 && iNumOfMeas > iAllocatedDisplay ? iAllocatedDisplay : iNumOfMeas;
}

// Where the cells go: the live application or the workbook file.
class Column {
  public:
    explicit Column(bool live) : live_(live) {}

    void Text(int row, int column, const std::string& text) {
        if (live_)
            AusgabeString(row, column, text.c_str());
        else
            excelio_SetString(iWorkSheet, row, column, text.c_str());
    }
    void Values(int row, int column, const double* values, int count) {
        if (count <= 0)
            return;
        if (live_) {
            AusgabeFeld(row, column, values, count);
            return;
        }
        const int written = excelio_xlsSetDouble(iWorkSheet, row, column, count, values);
        if (written >= 0 && written < count && !g_rowsCutTold) {
            g_rowsCutTold = true;
            const std::string text =
                "Only the first " + std::to_string(written) + " of the " + std::to_string(count) +
                " values of the spectrum fit into a .xls sheet; the others were not written.\n"
                "A .xlsx file holds longer spectra.";
            MessagePopup("Warning", text.c_str());
        }
    }

  private:
    bool live_;
};

void WriteDescription(Column& out, const OutputView& v, const Curve& c, bool fwhm, bool spectra) {
    const int col = iExcelColumn;
    out.Text(1, col, std::string("SN: ") + cSerial1);
    out.Text(4, col, "Integration time [ms]");
    if (spectra) {
        const int shift = fwhm ? kMarkerShift : 0;
        out.Text(5 + shift, col, v.iXAchse == 0 ? "Pixel" : "Wavelength [nm]");
        out.Values(6 + shift, col, c.xs, c.count);
    }
    ++iExcelColumn;
}

void WriteData(Column& out, const OutputView& v, const Curve& c, bool fwhm, bool spectra) {
    const int col = iExcelColumn;
    out.Text(1, col, cNameSpectrum);
    out.Text(2, col, KindText(v.iSelect, v.FuncNr));
    const std::tm t = links::Now();
    char date[64];
    std::snprintf(date, sizeof date, "%d.%d.%d %02d:%02d:%02d", t.tm_mday, t.tm_mon + 1,
                  t.tm_year + 1900, t.tm_hour, t.tm_min, t.tm_sec);
    out.Text(3, col, date);
    const double tint = std::round(static_cast<double>(v.fTint_prev) * 1000.0) / 1000.0;
    out.Values(4, col, &tint, 1);
    if (fwhm) {
        for (int i = 0; i < kFwhmSlots; ++i) {
            if (FWHM[i].x <= 0.0) // a free slot leaves its row empty
                continue;
            const std::string text =
                v.iXAchse == 0 ? support::FormatUser("%3.2f @ %.0f px", FWHM[i].value, FWHM[i].x)
                               : support::FormatUser("%3.2f @ %.2f nm", FWHM[i].value, FWHM[i].x);
            out.Text(kFirstMarkerRow + i, col, text);
        }
    }
    if (spectra)
        out.Values(6 + (fwhm ? kMarkerShift : 0), col, c.ys, c.count);
    ++iExcelColumn;
}

// Selects the worksheet written in the live workbook, adding one when it is
// gone.  False when neither works (told).
bool LiveWorksheet() {
    book::LiveApp* app = excel_LiveApp();
    if (app == nullptr) {
        sheet::DropLiveWithMessage(sheet::kNoLongerConnected);
        return false;
    }
    const int selected = app->SelectWorksheet(iExcelWorksheet);
    if (selected >= 0)
        return true;
    const int r = selected == book::kAppLost ? selected : app->AppendWorksheet();
    if (r >= 0)
        return true;
    if (r == book::kAppLost) {
        sheet::DropLiveWithMessage(sheet::kNoLongerConnected);
        return false;
    }
    const std::string text = "Error creating Excel worksheet!\n\nError code: " + std::to_string(r) +
                             "\nDescription: " + app->ErrorText(r);
    MessagePopup("Failure", text.c_str());
    return false;
}

// Cells the application refused are told once per connection; an
// application that stopped answering ends the link.
void CheckLiveWrites() {
    const int error = sheet::TakeLiveWriteError();
    if (error == 0)
        return;
    book::LiveApp* app = excel_LiveApp();
    const std::string why = app != nullptr ? app->ErrorText(error) : book::AppErrorText(error);
    if (error == book::kAppLost) {
        sheet::DropLiveWithMessage(sheet::kNoLongerConnected);
        return;
    }
    if (g_liveRefusalTold)
        return;
    g_liveRefusalTold = true;
    const std::string text = "Not every cell of this column reached the spreadsheet.\n\n"
                             "Error code: " +
                             std::to_string(error) + "\nDescription: " + why;
    MessagePopup("Failure", text.c_str());
}

} // namespace

void sheet::ResetNotes() {
    g_rowsCutTold = false;
    g_liveRefusalTold = false;
    g_describedFwhm = -1;
    g_describedSpectra = false;
}

void main_WriteToXLS(int) {
    if (iTableOpen != 1 || iExcelStart != 1)
        return;
    // The file link never writes through the live one, whatever became of it.
    const bool live = iWithExcel == 1 && iNoExcel != 1;
    if (!live && iNoExcel != 1)
        return;
    const OutputView v = links::View();
    int fwhm = 0, spectra = 1;
    if (v.hDdePanel > 0) {
        GetCtrlVal(v.hDdePanel, DDE_PANEL_SAVEFWHM, &fwhm);
        GetCtrlVal(v.hDdePanel, DDE_PANEL_SAVESPECTRA, &spectra);
    }

    if (live) {
        if (!LiveWorksheet())
            return;
    } else {
        // A save that failed since the last column and is not told yet: the
        // file lacks columns the user believes are kept, so the link ends.
        const std::string error = sheet::Saver().TakeError();
        if (!error.empty()) {
            sheet::StopFileAfterFailedSave(error);
            return;
        }
        const int needed = iExcelColumn + (iExcelDescription == 1 ? 1 : 0);
        if (needed > iExcelMaxColumns) {
            sheet::StopFileWithMessage(
                "The workbook \"" + std::string(cXlPath) + "\" has no room for another column (" +
                std::to_string(iExcelMaxColumns + 1) + " at most).\nThe XLS link is stopped.");
            return;
        }
    }

    Curve curve;
    ShownCurve(v, &curve);
    Column out(live);
    // Spectrum values need wavelength labels in their rows; the marker block
    // moves those rows.
    if (fwhm != g_describedFwhm || (spectra != 0 && !g_describedSpectra))
        iExcelDescription = 1;
    if (iExcelDescription == 1) {
        g_describedFwhm = fwhm;
        g_describedSpectra = spectra != 0;
        WriteDescription(out, v, curve, fwhm != 0, spectra != 0);
        iExcelDescription = 0;
    }
    WriteData(out, v, curve, fwhm != 0, spectra != 0);

    if (live)
        CheckLiveWrites();
    else
        sheet::Saver().Commit();
}
