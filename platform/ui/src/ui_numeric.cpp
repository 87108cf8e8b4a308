// Numeric controls read what the user typed as one whole number and then
// bring it into the control's limits.  The plain spin boxes would drop the
// characters they do not expect ("1e9" becomes 19, "-5" becomes 5, "12,5"
// becomes 125) and keep the old value for an entry beyond a limit.
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QLocale>
#include <QRegularExpression>
#include <QSpinBox>
#include <climits>
#include <cmath>
#include <limits>

#include "ui_internal.h"

namespace uiimpl {

namespace {

QString Bare(const QString& text, const QString& prefix, const QString& suffix) {
    QString t = text.trimmed();
    if (!prefix.isEmpty() && t.startsWith(prefix))
        t.remove(0, prefix.size());
    if (!suffix.isEmpty() && t.endsWith(suffix))
        t.chop(suffix.size());
    return t.trimmed();
}

// Points that group thousands: "1.234" before a decimal comma, or two and
// more groups ("1.234.567"), which no decimal number has.
const QRegularExpression kGrouped(R"(^\s*[+-]?\d{1,3}(\.\d{3})+$)");
const QRegularExpression kGroupedWhole(R"(^\s*[+-]?\d{1,3}(\.\d{3}){2,}\s*$)");

// A decimal comma is taken in every locale and shown as the point the
// fields write, and thousands grouped with points lose them, so "1.234,5"
// reads 1234.5 as it is meant; only the number between prefix and suffix is
// touched.
void PointForComma(QString& text, const QString& prefix, const QString& suffix) {
    const qsizetype from = text.startsWith(prefix) ? prefix.size() : 0;
    const qsizetype to = text.endsWith(suffix) ? text.size() - suffix.size() : text.size();
    if (to <= from)
        return;
    QString number = text.mid(from, to - from);
    const qsizetype comma = number.lastIndexOf(u',');
    if (comma >= 0 && kGrouped.match(number.left(comma)).hasMatch())
        number.replace(0, comma, number.left(comma).remove(u'.'));
    else if (kGroupedWhole.match(number).hasMatch())
        number.remove(u'.');
    number.replace(u',', u'.');
    text.replace(from, to - from, number);
}

// pos: the cursor, kept after what was typed when group points go.
QValidator::State Classify(QString& text, int& pos, const QString& prefix, const QString& suffix) {
    const qsizetype typed = text.size();
    PointForComma(text, prefix, suffix);
    pos = std::max(0, pos - static_cast<int>(typed - text.size()));
    const QString bare = Bare(text, prefix, suffix);
    double v;
    if (ParseNumericEntry(bare, &v))
        return QValidator::Acceptable;
    // What may still become a number while the user types on, thousands
    // grouped with points included.
    static const QRegularExpression partial(
        R"(^[+-]?(\d*\.?\d*([eE][+-]?\d*)?|\d{1,3}(\.\d{3})+\.\d{0,3})$)");
    return partial.match(bare).hasMatch() ? QValidator::Intermediate : QValidator::Invalid;
}

class IntBox : public QSpinBox {
  public:
    explicit IntBox(QWidget* parent) : QSpinBox(parent) { setLocale(QLocale::c()); }

  protected:
    QValidator::State validate(QString& text, int& pos) const override {
        return Classify(text, pos, prefix(), suffix());
    }
    int valueFromText(const QString& text) const override {
        double v = value();
        ParseNumericEntry(Bare(text, prefix(), suffix()), &v);
        return static_cast<int>(std::clamp(std::round(v), double(minimum()), double(maximum())));
    }
};

class RealBox : public QDoubleSpinBox {
  public:
    explicit RealBox(QWidget* parent) : QDoubleSpinBox(parent) { setLocale(QLocale::c()); }
    // 0: decimals() digits after the point; else that many significant digits.
    void setSignificant(int digits) { significant_ = digits; }

  protected:
    QString textFromValue(double v) const override {
        return significant_ > 0 ? QString::number(v, 'g', significant_)
                                : QDoubleSpinBox::textFromValue(v);
    }
    QValidator::State validate(QString& text, int& pos) const override {
        return Classify(text, pos, prefix(), suffix());
    }
    double valueFromText(const QString& text) const override {
        double v = value();
        ParseNumericEntry(Bare(text, prefix(), suffix()), &v);
        // Digits beyond the shown decimals would be held and used unseen:
        // the box rounds what is typed to what it shows.
        if (significant_ == 0 && std::isfinite(v))
            v = QString::number(v, 'f', decimals()).toDouble();
        return std::clamp(v, minimum(), maximum());
    }

  private:
    int significant_ = 0;
};

} // namespace

bool ParseNumericEntry(const QString& text, double* value) {
    static const QRegularExpression whole(R"(^[+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?$)");
    const QString t = text.trimmed();
    if (!whole.match(t).hasMatch())
        return false;
    bool ok = false;
    double v = t.toDouble(&ok);
    if (!ok) // beyond what a double holds: an infinity, or zero below its smallest
        v = std::isinf(v) ? std::copysign(INFINITY, t.startsWith('-') ? -1.0 : 1.0) : 0.0;
    *value = v;
    return true;
}

void ApplyNumericFormat(CtrlRec& c) {
    auto* box = qobject_cast<QDoubleSpinBox*>(c.w);
    if (!box)
        return;
    const bool significant = c.format == VAL_SIGNIFICANT_FORMAT;
    if (auto* real = dynamic_cast<RealBox*>(box))
        real->setSignificant(significant ? c.precision : 0);
    // The spin box rounds what it holds to its decimals: with significant
    // digits it must hold every digit a double has.
    constexpr int kAllDecimals =
        std::numeric_limits<double>::max_exponent10 + std::numeric_limits<double>::digits10;
    box->setDecimals(significant ? kAllDecimals : c.precision);
    box->setRange(c.minV, c.maxV);
    ShowNum(c);
}

QWidget* NewNumericBox(const QString& className, QWidget* parent) {
    if (className == QLatin1String("QSpinBox"))
        return new IntBox(parent);
    if (className == QLatin1String("QDoubleSpinBox"))
        return new RealBox(parent);
    return nullptr;
}

} // namespace uiimpl
