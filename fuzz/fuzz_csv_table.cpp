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
    csvtable::Layout l;
    l.markers = data[0] & 1;
    l.evaluation = data[0] & 2;
    l.spectrum = data[0] & 4;
    l.columns = data[1] % 8;
    l.spectrumRows = l.spectrum ? data[2] % 8 : 0;
    const std::string_view table(reinterpret_cast<const char*>(data) + 3, size - 3);

    const double x[] = {1.0, 2.0, 3.0, 4.0};
    const double y[] = {-1.0, 0.0, 1e300, 5.5};
    csvtable::Column c;
    c.options = {(data[0] & 8) != 0, (data[0] & 16) != 0, (data[0] & 32) != 0};
    c.evalCase = static_cast<csvtable::EvalCase>(data[2] % 8);
    c.curveLabel = "dark:";
    c.x = x;
    c.y = y;
    c.points = 4;
    std::string out, error;
    csvtable::Layout next;
    if (!csvtable::Append(table, l, c, &out, &next, &error))
        return 0;
    if (next.columns != l.columns + 1 || next.Rows() < l.Rows())
        std::abort();
    std::string again;
    csvtable::Layout after;
    if (!csvtable::Append(out, next, c, &again, &after, &error))
        std::abort();
    return 0;
}
