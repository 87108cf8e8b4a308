// Build-time generator: reads a .ui resource file and writes a header of id
// constants (panels, controls, menu bars, menus, items), so a misspelt name in
// the program fails to compile.  Usage: orvalin_ui_idgen <file.ui> <header.h>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <cstdio>

#include "ui_layout.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <file.ui> <header.h>\n", argv[0]);
        return 2;
    }
    QFile in(QString::fromLocal8Bit(argv[1]));
    if (!in.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "%s: cannot read\n", argv[1]);
        return 1;
    }
    uilayout::Layout layout;
    if (!uilayout::Parse(in.readAll(), QFileInfo(in.fileName()).fileName(), layout)) {
        std::fprintf(stderr, "%s: %s\n", argv[1], qPrintable(layout.error));
        return 1;
    }
    const QString file = QFileInfo(in.fileName()).fileName();
    QString tag = QFileInfo(in.fileName()).completeBaseName();
    for (QChar& c : tag)
        if (!c.isLetterOrNumber() || c.unicode() > 127)
            c = '_';

    QByteArray out;
    out += "// Generated from " + file.toUtf8() + " by orvalin_ui_idgen. Do not edit.\n";
    out += "#pragma once\n\n#include <ui/ui.h>\n\n";
    const char* kinds[] = {"panel", "control", "menu bar", "menu", "menu item"};
    for (const auto& e : layout.entries) {
        out += "constexpr int " + e.constName.toUtf8() + " = " + QByteArray::number(e.id) +
               ";  // " + kinds[static_cast<int>(e.kind)] + "\n";
    }
    out += "\n// Lets the loader refuse a copy of the file that numbers differently.\n";
    out += "inline const int orvalin_ui_registered_" + tag.toUtf8() +
           " = UiRegisterIdFingerprint(\"" + file.toUtf8() + "\", 0x" +
           QByteArray::number(static_cast<qulonglong>(layout.fingerprint), 16) + "ULL);\n";

    QSaveFile save(QString::fromLocal8Bit(argv[2]));
    if (!save.open(QIODevice::WriteOnly) || save.write(out) != out.size() || !save.commit()) {
        std::fprintf(stderr, "%s: cannot write\n", argv[2]);
        return 1;
    }
    return 0;
}
