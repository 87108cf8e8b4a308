// Structure of a .ui resource file as this layer sees it: panels, their
// controls, tab pages, menu bars, menus and items, each with the id the build
// generates for it.  Shared by the id generator and the run-time loader, so
// both number a file the same way.  Needs Qt Core only.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <map>
#include <vector>

namespace uilayout {

enum class Kind { Panel, Control, MenuBar, Menu, MenuItem };

struct Entry {
    Kind kind = Kind::Control;
    QString constName;  // the generated constant (MAINP, MAINP_DARK, MENUBAR_FILE_QUIT)
    QString objectName; // widget / action object name
    QString className;  // Qt class ("QAction" for items)
    QString owner;      // controls and tab pages: owning panel; menus and items: the bar
    QString tabControl; // tab pages: object name of the tab widget holding them
    int pageIndex = -1; // tab pages: index within the tab widget
    int id = 0;
    std::map<QString, QString> props; // simple-valued properties, dynamic ones included
};

struct Layout {
    QString topName;
    std::vector<Entry> entries;
    std::map<QString, QByteArray> panelUi;   // panel name -> standalone .ui document
    std::map<QString, QByteArray> menuBarUi; // bar name -> standalone .ui document
    QString error;                           // empty when the file parsed
    std::uint64_t fingerprint = 0;           // over every (constant, id) pair
    int base = 0;                            // ids are base + 1 ...

    const Entry* byId(int id) const;
    const Entry* byConst(const QString& name) const;
};

// Parses a .ui document; on failure returns false with out.error set.  Ids
// of a file start above a base derived from its file name (IdBase), so an
// id used with the wrong file is refused instead of naming another control.
bool Parse(const QByteArray& xml, const QString& fileName, Layout& out);

constexpr int kIdsPerFile = 10000;
int IdBase(const QString& fileName);

bool IsIdentifier(const QString& s);

std::uint64_t Fingerprint(const std::vector<Entry>& entries);

} // namespace uilayout
