// Any bytes as the CSV table on disk, against layouts of every kind: no
// crash; a table that is accepted grows by exactly one cell per row and is
// accepted again with the grown layout.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "files/csv_table.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3)
        return 0;
    const double x[] = {1.0, 2.0, 3.0, 4.0, 5.0, 6.0, 7.0};
    const double y[] = {-1.0, 0.0, 1e300, 5.5, 2.0, -3.0, 0.5};
    csvtable::Table t;
    t.layout.markers = data[0] & 1;
    t.layout.evaluation = data[0] & 2;
    t.layout.spectrum = data[0] & 4;
    t.layout.columns = data[1] % 8;
    t.layout.spectrumRows = t.layout.spectrum ? data[2] % 8 : 0;
    t.grid.x.assign(x, x + t.layout.spectrumRows);
    const std::string_view table(reinterpret_cast<const char*>(data) + 3, size - 3);

    csvtable::Column c;
    c.options = {(data[0] & 8) != 0, (data[0] & 16) != 0, (data[0] & 32) != 0};
    c.evalCase = static_cast<csvtable::EvalCase>(data[2] % 8);
    c.curveLabel = "dark:";
    c.x = x + (data[0] >> 6); // a curve that starts later, or on no row at all
    c.y = y;
    c.points = 4;
    csvtable::Cells cells;
    std::string out, error;
    if (!csvtable::Prepare(&t, c, &cells, &error) ||
        !csvtable::Append(table, {&cells, 1}, &out, &error))
        return 0;
    if (t.layout.columns != cells.before.columns + 1 || t.layout.Rows() < cells.before.Rows())
        std::abort();
    std::string again;
    if (!csvtable::Prepare(&t, c, &cells, &error) ||
        !csvtable::Append(out, {&cells, 1}, &again, &error))
        std::abort();
    return 0;
}
