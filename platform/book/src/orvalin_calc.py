#!/usr/bin/python3
"""Drives a LibreOffice Calc for the program's live spreadsheet link.

The program starts this script and talks to it over its standard input and
output, one request per line and one reply per line. Fields are separated by
tabs; backslash, tab, CR and newline inside a field are escaped as \\\\, \\t,
\\r and \\n. Replies: "ok" with fields, or "err", an error code of the
program's live link, and a sentence saying why.

Requests (columns and rows zero-based):
  start OFFICE VISIBLE MS    start the office (or join one already running),
                             waiting at most MS milliseconds for it
  new                        new workbook; reply ok COLUMNS ROWS of its sheet
  version                    reply ok MAJOR
  select INDEX               make worksheet INDEX (1-based) the one written
  append                     add a worksheet at the end and make it current
  cell COL ROW TEXT          one text cell
  range COL ROW V1 V2 ...    numbers down one column ("" leaves a cell empty)
  store PATH                 store the workbook to PATH (.xlsx)
  quit                       close the workbook and end the office unless
                             the user has other documents open in it; a
                             visible workbook with unsaved columns stays
                             open, and the reply is then "ok kept"
An office that went away answers every request with the code of a lost
application; the link then ends.
End of input: an office nobody can see is ended; a visible one is left to
its user.
"""
import os
import shutil
import subprocess
import sys
import tempfile
import time

# Error codes of the program's live link.
UNREACHABLE, NOT_STARTED, NO_WORKBOOK, NO_WORKSHEET, BAD_REFERENCE, REFUSED, LOST = range(-1, -8, -1)
EXIT_SECONDS = 20


class Failure(Exception):
    def __init__(self, code, text):
        super().__init__(text)
        self.code = code


def esc(text):
    return (text.replace("\\", "\\\\").replace("\t", "\\t")
            .replace("\r", "\\r").replace("\n", "\\n"))


def unesc(field):
    out, i = [], 0
    while i < len(field):
        ch = field[i]
        if ch == "\\" and i + 1 < len(field):
            i += 1
            ch = {"t": "\t", "n": "\n", "r": "\r"}.get(field[i], field[i])
        out.append(ch)
        i += 1
    return "".join(out)


def prop(name, value):
    from com.sun.star.beans import PropertyValue
    p = PropertyValue()
    p.Name, p.Value = name, value
    return p


class Office:
    def __init__(self):
        self.proc = None      # the office process started here, if any
        self.profile = None   # private profile of an office nobody sees
        self.ctx = None
        self.desktop = None
        self.visible = False
        self.doc = None
        self.sheet = None

    def start(self, office, visible, wait_ms):
        if self.desktop is not None:
            return []
        try:
            import uno
        except ImportError:
            raise Failure(UNREACHABLE, "The Python bridge of LibreOffice (python3-uno) is not installed.")
        office = office or shutil.which("soffice") or ""
        if not os.access(office, os.X_OK):
            raise Failure(UNREACHABLE, "LibreOffice (soffice) is not installed.")
        self.visible = visible
        name = "orvalin_calc_%d" % os.getpid()
        accept = "pipe,name=%s;urp;StarOffice.ComponentContext" % name
        args = [office, "--norestore", "--nologo", "--nodefault", "--accept=" + accept]
        if not visible:
            # Its own profile: it neither joins nor disturbs the user's office.
            self.profile = tempfile.mkdtemp(prefix="orvalin-calc-")
            args += ["--headless", "--invisible", "--nolockcheck",
                     "-env:UserInstallation=" + uno.systemPathToFileUrl(self.profile)]
        try:
            self.proc = subprocess.Popen(args, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL)
        except OSError as e:
            self.cleanup()
            raise Failure(UNREACHABLE, "LibreOffice could not be started: %s." % e.strerror)
        local = uno.getComponentContext()
        resolver = local.ServiceManager.createInstanceWithContext(
            "com.sun.star.bridge.UnoUrlResolver", local)
        deadline = time.monotonic() + int(wait_ms) / 1000.0
        while True:
            try:
                self.ctx = resolver.resolve("uno:" + accept)
                break
            except Exception:
                # A launcher that handed its request to a running office exits
                # with 0; any other exit means the office is not coming.
                rc = self.proc.poll()
                if (rc is not None and rc != 0) or time.monotonic() > deadline:
                    self.cleanup()
                    raise Failure(UNREACHABLE, "LibreOffice did not answer after it was started.")
                time.sleep(0.2)
        self.desktop = self.ctx.ServiceManager.createInstanceWithContext(
            "com.sun.star.frame.Desktop", self.ctx)
        return []

    def need(self, workbook=True):
        if self.desktop is None:
            raise Failure(NOT_STARTED, "")
        if workbook and self.sheet is None:
            raise Failure(NO_WORKBOOK, "")

    def new(self):
        self.need(workbook=False)
        props = () if self.visible else (prop("Hidden", True),)
        doc = self.desktop.loadComponentFromURL("private:factory/scalc", "_blank", 0, props)
        if doc is None or not hasattr(doc, "Sheets"):
            raise Failure(REFUSED, "LibreOffice opened no spreadsheet.")
        self.doc = doc
        return self.select(1)

    def select(self, index):
        if self.doc is None:
            self.need()
        sheets = self.doc.Sheets
        if not 1 <= int(index) <= sheets.Count:
            raise Failure(NO_WORKSHEET, "")
        self.sheet = sheets.getByIndex(int(index) - 1)
        return [str(self.sheet.Columns.Count), str(self.sheet.Rows.Count)]

    def append(self):
        self.need()
        sheets = self.doc.Sheets
        n = sheets.Count + 1
        while sheets.hasByName("Sheet%d" % n):
            n += 1
        sheets.insertNewByName("Sheet%d" % n, sheets.Count)
        return self.select(sheets.Count)

    def version(self):
        self.need(workbook=False)
        provider = self.ctx.ServiceManager.createInstanceWithContext(
            "com.sun.star.configuration.ConfigurationProvider", self.ctx)
        access = provider.createInstanceWithArguments(
            "com.sun.star.configuration.ConfigurationAccess",
            (prop("nodepath", "/org.openoffice.Setup/Product"),))
        return [access.getByName("ooSetupVersion").split(".")[0]]

    def cell(self, col, row, text):
        self.need()
        # As text, never parsed: a name starting with "=" stays a name.
        self.sheet.getCellByPosition(int(col), int(row)).setString(text)
        return []

    def range(self, col, row, *values):
        self.need()
        col, row = int(col), int(row)
        if not values:
            return []
        block = self.sheet.getCellRangeByPosition(col, row, col, row + len(values) - 1)
        block.setDataArray(tuple((float(v),) if v else ("",) for v in values))
        return []

    def store(self, path):
        self.need()
        import uno
        self.doc.storeToURL(uno.systemPathToFileUrl(path),
                            (prop("FilterName", "Calc Office Open XML"),))
        return []

    def quit(self):
        self.need(workbook=False)
        if self.doc is not None and self.visible and self.doc.isModified():
            # Unsaved columns stay with the user: the workbook and its office
            # remain open, only the link ends.
            self.proc = None
            self.doc = self.sheet = self.desktop = self.ctx = None
            return ["kept"]
        if self.doc is not None:
            self.doc.setModified(False)
            self.doc.close(True)
            self.doc = self.sheet = None
        # An office the user has other documents open in keeps running.
        if self.desktop.getComponents().createEnumeration().hasMoreElements():
            self.proc = None
        else:
            try:
                self.desktop.terminate()
            except Exception:
                pass  # the bridge goes down with the office
        self.desktop = self.ctx = None
        self.cleanup()
        return []

    def alive(self):
        """False when the office behind the bridge is gone (killed, crashed)."""
        if self.desktop is None:
            return True
        try:
            self.desktop.getComponents()
            return True
        except Exception:
            return False

    def forget(self):
        """The office is gone: nothing of it is left to ask or to end."""
        self.doc = self.sheet = self.desktop = self.ctx = None
        if self.proc is not None and self.proc.poll() is None:
            try:
                self.proc.kill()
            except OSError:
                pass  # it went on its own meanwhile
        self.cleanup()

    def abandon(self):
        """End of input: end an office nobody can see, leave a visible one."""
        if self.visible:
            return
        if self.desktop is not None:
            try:
                if self.doc is not None:
                    self.doc.setModified(False)
                self.desktop.terminate()
            except Exception:
                pass
        self.cleanup()

    def cleanup(self):
        if self.proc is not None:
            try:
                self.proc.wait(EXIT_SECONDS)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()
            self.proc = None
        if self.profile:
            shutil.rmtree(self.profile, ignore_errors=True)
            self.profile = None


def main():
    # Replies go only to the channel; anything the office libraries print
    # lands on standard error.
    channel = os.fdopen(os.dup(1), "w", encoding="utf-8", newline="\n")
    os.dup2(2, 1)
    office = Office()
    handlers = {
        "start": lambda path, visible, wait_ms: office.start(path, visible == "1", wait_ms),
        "new": office.new, "version": office.version, "select": office.select,
        "append": office.append, "cell": office.cell, "range": office.range,
        "store": office.store, "quit": office.quit,
    }
    for line in sys.stdin.buffer:
        fields = [unesc(f) for f in line.decode("utf-8", "replace").rstrip("\n").split("\t")]
        try:
            handler = handlers.get(fields[0])
            if handler is None:
                raise Failure(REFUSED, "Unknown request.")
            reply = ["ok"] + handler(*fields[1:])
        except Failure as f:
            reply = ["err", str(f.code), str(f)]
        except Exception as e:
            if office.alive():  # the office refused: say what it said
                reply = ["err", str(REFUSED), "%s: %s" % (type(e).__name__, e)]
            else:
                office.forget()
                reply = ["err", str(LOST), "LibreOffice is no longer running."]
        try:
            channel.write("\t".join(esc(f) for f in reply) + "\n")
            channel.flush()
        except OSError:
            break  # the program is gone
    office.abandon()
    return 0


if __name__ == "__main__":
    sys.exit(main())
