/* Prints the first sheet of an .xls file as read by libfreexl, in the same
 * form as read_book.py. Exit 1 when the file cannot be read. */
#include <freexl.h>
#include <stdio.h>

static void PrintText(const char* s) {
    for (; *s; ++s) {
        if (*s == '\\')
            fputs("\\\\", stdout);
        else if (*s == '\t')
            fputs("\\t", stdout);
        else if (*s == '\n')
            fputs("\\n", stdout);
        else
            putchar(*s);
    }
}

int main(int argc, char** argv) {
    const void* h = NULL;
    unsigned int sheets = 0, rows = 0;
    unsigned short cols = 0;
    const char* name = NULL;
    if (argc != 2 || freexl_open(argv[1], &h) != FREEXL_OK)
        return 1;
    if (freexl_get_info(h, FREEXL_BIFF_SHEET_COUNT, &sheets) != FREEXL_OK || sheets < 1 ||
        freexl_get_worksheet_name(h, 0, &name) != FREEXL_OK ||
        freexl_select_active_worksheet(h, 0) != FREEXL_OK ||
        freexl_worksheet_dimensions(h, &rows, &cols) != FREEXL_OK) {
        freexl_close(h);
        return 1;
    }
    printf("sheet\t%u\t", sheets);
    PrintText(name);
    putchar('\n');
    for (unsigned int r = 0; r < rows; ++r) {
        for (unsigned short c = 0; c < cols; ++c) {
            FreeXL_CellValue v;
            if (freexl_get_cell_value(h, r, c, &v) != FREEXL_OK) {
                freexl_close(h);
                return 1;
            }
            if (v.type == FREEXL_CELL_INT)
                printf("%u\t%u\tN\t%d\n", r, c, v.value.int_value);
            else if (v.type == FREEXL_CELL_DOUBLE)
                printf("%u\t%u\tN\t%.17g\n", r, c, v.value.double_value);
            else if (v.type == FREEXL_CELL_TEXT || v.type == FREEXL_CELL_SST_TEXT) {
                printf("%u\t%u\tS\t", r, c);
                PrintText(v.value.text_value);
                putchar('\n');
            }
        }
    }
    freexl_close(h);
    return 0;
}
