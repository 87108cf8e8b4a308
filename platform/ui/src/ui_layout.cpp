#include "ui_layout.h"

#include <QSet>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>
#include <memory>

namespace uilayout {
namespace {

struct Node {
    QString cls;
    QString name;
    std::map<QString, QString> props;
    std::vector<Node> children;
    std::vector<QString> addActions;
};

// Reads the .ui XML while copying every token into the writers of the
// fragments being captured (panels, menu bars, actions), so each panel can be
// handed to the form loader on its own.
class Reader {
  public:
    explicit Reader(const QByteArray& xml) : r_(xml) {}

    QXmlStreamReader r_;
    std::vector<QXmlStreamWriter*> writers_;

    QXmlStreamReader::TokenType next() {
        auto t = r_.readNext();
        for (auto* w : writers_)
            w->writeCurrentToken(r_);
        return t;
    }
    bool ok() const { return !r_.hasError(); }

    // Positioned on a start element: consume up to and including its end.
    void skip() {
        int depth = 1;
        while (depth > 0 && !r_.atEnd()) {
            auto t = next();
            if (t == QXmlStreamReader::StartElement)
                ++depth;
            else if (t == QXmlStreamReader::EndElement)
                --depth;
            else if (t == QXmlStreamReader::Invalid)
                return;
        }
    }
    QString text() {
        QString s;
        int depth = 1;
        while (depth > 0 && !r_.atEnd()) {
            auto t = next();
            if (t == QXmlStreamReader::Characters)
                s += r_.text();
            else if (t == QXmlStreamReader::StartElement)
                ++depth;
            else if (t == QXmlStreamReader::EndElement)
                --depth;
            else if (t == QXmlStreamReader::Invalid)
                break;
        }
        return s;
    }
};

bool SimpleValueTag(QStringView n) {
    static const QSet<QString> tags = {"string", "number",  "double",   "bool",
                                       "enum",   "cstring", "set",      "char",
                                       "float",  "uint",    "longlong", "ulonglong"};
    return tags.contains(n.toString());
}

// Positioned on <property>/<attribute>: returns its simple value ("" if compound).
QString ReadProperty(Reader& rd) {
    QString value;
    while (!rd.r_.atEnd()) {
        auto t = rd.next();
        if (t == QXmlStreamReader::StartElement) {
            if (SimpleValueTag(rd.r_.name()))
                value = rd.text();
            else
                rd.skip();
        } else if (t == QXmlStreamReader::EndElement || t == QXmlStreamReader::Invalid) {
            break;
        }
    }
    return value;
}

void ReadWidget(Reader& rd, Node& node);

// Layout elements are transparent: their widgets belong to the enclosing widget.
void ReadLayout(Reader& rd, Node& owner) {
    int depth = 1;
    while (depth > 0 && !rd.r_.atEnd()) {
        auto t = rd.next();
        if (t == QXmlStreamReader::StartElement) {
            auto n = rd.r_.name();
            if (n == u"widget") {
                Node child;
                ReadWidget(rd, child);
                owner.children.push_back(std::move(child));
            } else if (n == u"layout" || n == u"item") {
                ++depth;
            } else {
                rd.skip();
            }
        } else if (t == QXmlStreamReader::EndElement) {
            --depth;
        } else if (t == QXmlStreamReader::Invalid) {
            return;
        }
    }
}

void ReadAction(Reader& rd, Node& node) {
    node.cls = "QAction";
    node.name = rd.r_.attributes().value("name").toString();
    while (!rd.r_.atEnd()) {
        auto t = rd.next();
        if (t == QXmlStreamReader::StartElement) {
            if (rd.r_.name() == u"property") {
                QString pname = rd.r_.attributes().value("name").toString();
                node.props[pname] = ReadProperty(rd);
            } else {
                rd.skip();
            }
        } else if (t == QXmlStreamReader::EndElement || t == QXmlStreamReader::Invalid) {
            return;
        }
    }
}

// Positioned on <widget>: reads the element and its children.
void ReadWidget(Reader& rd, Node& node) {
    node.cls = rd.r_.attributes().value("class").toString();
    node.name = rd.r_.attributes().value("name").toString();
    while (!rd.r_.atEnd()) {
        auto t = rd.next();
        if (t == QXmlStreamReader::StartElement) {
            auto n = rd.r_.name();
            if (n == u"property") {
                QString pname = rd.r_.attributes().value("name").toString();
                node.props[pname] = ReadProperty(rd);
            } else if (n == u"attribute") {
                QString pname = rd.r_.attributes().value("name").toString();
                node.props["attribute:" + pname] = ReadProperty(rd);
            } else if (n == u"widget") {
                Node child;
                ReadWidget(rd, child);
                node.children.push_back(std::move(child));
            } else if (n == u"layout") {
                ReadLayout(rd, node);
            } else if (n == u"addaction") {
                node.addActions.push_back(rd.r_.attributes().value("name").toString());
                rd.skip();
            } else {
                rd.skip();
            }
        } else if (t == QXmlStreamReader::EndElement || t == QXmlStreamReader::Invalid) {
            return;
        }
    }
}

class Numberer {
  public:
    explicit Numberer(Layout& out) : out_(out), next_(out.base + 1) {}

    bool add(Entry e) {
        if (!IsIdentifier(e.constName)) {
            fail("object name \"" + e.objectName + "\" does not make a valid identifier (" +
                 e.constName + ")");
            return false;
        }
        if (seen_.contains(e.constName)) {
            fail("duplicate id name " + e.constName);
            return false;
        }
        seen_.insert(e.constName);
        if (next_ > out_.base + kIdsPerFile - 1) {
            fail("more than " + QString::number(kIdsPerFile - 1) + " named objects in one file");
            return false;
        }
        e.id = next_++;
        out_.entries.push_back(std::move(e));
        return true;
    }
    void fail(const QString& msg) {
        if (out_.error.isEmpty())
            out_.error = msg;
    }

    void panelContents(const Node& node, const QString& panel) {
        int page = 0;
        for (const Node& c : node.children) {
            if (node.cls == "QTabWidget") {
                Entry e;
                e.kind = Kind::Panel;
                e.constName = c.name;
                e.objectName = c.name;
                e.className = c.cls;
                e.owner = panel;
                e.tabControl = node.name;
                e.pageIndex = page++;
                e.props = c.props;
                add(e);
                panelContents(c, c.name);
                continue;
            }
            if (c.name.isEmpty()) {
                panelContents(c, panel);
                continue;
            }
            Entry e;
            e.kind = Kind::Control;
            e.constName = panel + "_" + c.name;
            e.objectName = c.name;
            e.className = c.cls;
            e.owner = panel;
            e.props = c.props;
            add(e);
            panelContents(c, panel);
        }
    }

    void menu(const Node& m, const QString& bar, const std::map<QString, const Node*>& actions) {
        std::map<QString, const Node*> submenus;
        for (const Node& c : m.children)
            if (c.cls == "QMenu")
                submenus[c.name] = &c;
        QSet<QString> done;
        for (const QString& a : m.addActions) {
            if (a == "separator")
                continue;
            auto sm = submenus.find(a);
            if (sm != submenus.end()) {
                addMenu(*sm->second, bar, actions);
                done.insert(a);
                continue;
            }
            auto act = actions.find(a);
            if (act == actions.end())
                continue; // dangling reference: the loader ignores it too
            Entry e;
            e.kind = Kind::MenuItem;
            e.constName = bar + "_" + a;
            e.objectName = a;
            e.className = "QAction";
            e.owner = bar;
            e.props = act->second->props;
            add(e);
        }
        for (const auto& [name, node] : submenus)
            if (!done.contains(name))
                addMenu(*node, bar, actions);
    }

    void addMenu(const Node& m, const QString& bar, const std::map<QString, const Node*>& actions) {
        Entry e;
        e.kind = Kind::Menu;
        e.constName = bar + "_" + m.name;
        e.objectName = m.name;
        e.className = m.cls;
        e.owner = bar;
        e.props = m.props;
        add(e);
        menu(m, bar, actions);
    }

  private:
    Layout& out_;
    QSet<QString> seen_;
    int next_;
};

QByteArray Document(const QString& className, const QByteArray& body, const QByteArray& extra) {
    QByteArray doc = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<ui version=\"4.0\">\n<class>";
    doc += className.toHtmlEscaped().toUtf8();
    doc += "</class>\n";
    doc += body;
    doc += "\n";
    doc += extra;
    doc += "\n</ui>\n";
    return doc;
}

} // namespace

bool IsIdentifier(const QString& s) {
    if (s.isEmpty())
        return false;
    for (int i = 0; i < s.size(); ++i) {
        QChar c = s[i];
        bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' ||
                  (i > 0 && c >= '0' && c <= '9');
        if (!ok)
            return false;
    }
    return true;
}

std::uint64_t Fingerprint(const std::vector<Entry>& entries) {
    std::uint64_t h = 1469598103934665603ULL;
    for (const Entry& e : entries) {
        QByteArray s = e.constName.toUtf8() + "=" + QByteArray::number(e.id) + ";";
        for (char c : s) {
            h ^= static_cast<unsigned char>(c);
            h *= 1099511628211ULL;
        }
    }
    return h;
}

int IdBase(const QString& fileName) {
    std::uint32_t h = 2166136261u;
    for (char c : fileName.toUtf8()) {
        h ^= static_cast<unsigned char>(c);
        h *= 16777619u;
    }
    return static_cast<int>(h % 9000u + 1000u) * kIdsPerFile;
}

const Entry* Layout::byId(int id) const {
    const long k = static_cast<long>(id) - base;
    if (k < 1 || k > static_cast<long>(entries.size()))
        return nullptr;
    const Entry& e = entries[static_cast<std::size_t>(k - 1)];
    return e.id == id ? &e : nullptr;
}

const Entry* Layout::byConst(const QString& name) const {
    for (const Entry& e : entries)
        if (e.constName == name)
            return &e;
    return nullptr;
}

bool Parse(const QByteArray& xml, const QString& fileName, Layout& out) {
    out = Layout{};
    out.base = IdBase(fileName);
    Reader rd(xml);
    Node top;
    bool haveTop = false;
    std::vector<Node> actions;
    std::map<QString, QByteArray> fragments; // top-level child name -> captured XML
    QByteArray actionsXml;
    QByteArray extraXml; // <customwidgets> for the standalone documents

    while (!rd.r_.atEnd()) {
        auto t = rd.next();
        if (t == QXmlStreamReader::Invalid)
            break;
        if (t != QXmlStreamReader::StartElement)
            continue;
        auto n = rd.r_.name();
        if (n == u"ui")
            continue;
        if (n == u"customwidgets") {
            QByteArray buf;
            QXmlStreamWriter w(&buf);
            w.writeCurrentToken(rd.r_);
            rd.writers_.push_back(&w);
            rd.skip();
            rd.writers_.pop_back();
            extraXml += buf;
            continue;
        }
        if (n != u"widget" || haveTop) {
            rd.skip();
            continue;
        }
        // The one top-level container.
        haveTop = true;
        top.cls = rd.r_.attributes().value("class").toString();
        top.name = rd.r_.attributes().value("name").toString();
        int layoutDepth = 0;
        while (!rd.r_.atEnd()) {
            auto tt = rd.next();
            if (tt == QXmlStreamReader::Invalid)
                break;
            if (tt == QXmlStreamReader::EndElement) {
                if (layoutDepth == 0)
                    break;
                --layoutDepth;
                continue;
            }
            if (tt != QXmlStreamReader::StartElement)
                continue;
            auto cn = rd.r_.name();
            if (cn == u"widget") {
                QByteArray buf;
                QXmlStreamWriter w(&buf);
                w.writeCurrentToken(rd.r_);
                rd.writers_.push_back(&w);
                Node child;
                ReadWidget(rd, child);
                rd.writers_.pop_back();
                fragments[child.name] = buf;
                top.children.push_back(std::move(child));
            } else if (cn == u"action") {
                QByteArray buf;
                QXmlStreamWriter w(&buf);
                w.writeCurrentToken(rd.r_);
                rd.writers_.push_back(&w);
                Node a;
                ReadAction(rd, a);
                rd.writers_.pop_back();
                actionsXml += buf;
                actionsXml += "\n";
                actions.push_back(std::move(a));
            } else if (cn == u"layout" || cn == u"item") {
                ++layoutDepth;
            } else {
                rd.skip();
            }
        }
    }
    if (rd.r_.hasError()) {
        out.error =
            QString("XML error at line %1: %2").arg(rd.r_.lineNumber()).arg(rd.r_.errorString());
        return false;
    }
    if (!haveTop) {
        out.error = "no top-level widget";
        return false;
    }
    out.topName = top.name;

    std::map<QString, const Node*> actionByName;
    for (const Node& a : actions)
        actionByName[a.name] = &a;

    Numberer num(out);
    for (const Node& c : top.children) {
        if (c.name.isEmpty())
            continue;
        if (c.cls == "QMenuBar") {
            Entry e;
            e.kind = Kind::MenuBar;
            e.constName = c.name;
            e.objectName = c.name;
            e.className = c.cls;
            e.props = c.props;
            num.add(e);
            num.menu(c, c.name, actionByName);
            out.menuBarUi[c.name] =
                Document("ui_menubar_host",
                         "<widget class=\"QWidget\" name=\"ui_menubar_host\">\n" + actionsXml +
                             fragments[c.name] + "\n</widget>",
                         extraXml);
        } else {
            Entry e;
            e.kind = Kind::Panel;
            e.constName = c.name;
            e.objectName = c.name;
            e.className = c.cls;
            e.props = c.props;
            num.add(e);
            num.panelContents(c, c.name);
            out.panelUi[c.name] = Document(c.name, fragments[c.name], extraXml);
        }
    }
    if (!out.error.isEmpty())
        return false;
    out.fingerprint = Fingerprint(out.entries);
    return true;
}

} // namespace uilayout
