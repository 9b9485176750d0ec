// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
// Writes the pseudo-locale: every source text of a .ts file that lupdate
// extracted, made about 40% longer and accented, as a translation Qt can
// load like any other. It shows in the running program which texts are not
// translatable, where a longer language would be clipped and where accents
// are lost: vellory_pseudoloc <extracted.ts> <pseudo.ts> <language>.
//
// Kept as they are: placeholders (%1, %n, %L1), the letter after an
// accelerator '&' (its key must still work), "&&", entities and rich-text
// tags, and lines without a letter.
#include <QFile>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <cmath>
#include <cstdio>

namespace {

// Every letter has a canonical decomposition (base letter + mark), so that
// the display, which strips marks it has no glyph for, still shows the word.
const QHash<QChar, QString>& Accents()
{
    static const QHash<QChar, QString> map = [] {
        const QString plain = QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ");
        const QString accented = QStringLiteral(
            u"åḃçďéḟĝĥîĵķļṁñöṗǫŕšţûṽŵẋýž"
            u"ÅḂÇĎÉḞĜĤÎĴĶĻṀÑÖṖǪŔŠŢÛṼŴẊÝŽ");
        QHash<QChar, QString> m;
        for (qsizetype i = 0; i < plain.size(); ++i)
            m.insert(plain[i], accented.mid(i, 1));
        return m;
    }();
    return map;
}

// What a translation adds, in accented words of about a letter's width,
// with spaces where a wrapping label may break.
const QString& Filler()
{
    static const QString filler = QStringLiteral(
        u"ļöŕéṁ îṗšûṁ ďöļöŕ šîţ åṁéţ çöñšéçţéţûŕ åďîṗîšçîñĝ éļîţ šéď ďö éîûšṁöď ţéṁṗöŕ îñçîďîďûñţ "
        u"ûţ ļåḃöŕé éţ ďöļöŕé ṁåĝñå åļîǫûå ûţ éñîṁ åď ṁîñîṁ ṽéñîåṁ ǫûîš ñöšţŕûď éẋéŕçîţåţîöñ");
    return filler;
}

// One line: accented, and about 40% longer; the brackets count, so that a
// short text grows by them alone.
QString PseudoLine(const QString& text)
{
    QString out;
    int letters = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'%') {
            // %1, %n, %L1, %%: copied whole.
            qsizetype j = i + 1;
            if (j < text.size() && (text[j] == u'L' || text[j] == u'%'))
                ++j;
            while (j < text.size() && (text[j].isDigit() || (j == i + 1 && text[j] == u'n')))
                ++j;
            out += text.mid(i, j - i);
            i = j - 1;
            continue;
        }
        if (c == u'&') {
            // An entity (&amp; in rich text) or "&&" stays; "&X" keeps X.
            const qsizetype semi = text.indexOf(u';', i);
            if (semi > i + 1 && semi - i <= 8) {
                bool entity = true;
                for (qsizetype j = i + 1; j < semi; ++j)
                    entity = entity && (text[j].isLetterOrNumber() || text[j] == u'#');
                if (entity) {
                    out += text.mid(i, semi - i + 1);
                    i = semi;
                    continue;
                }
            }
            out += c;
            if (i + 1 < text.size()) {
                out += text[i + 1];
                letters += text[i + 1].isLetter();
                ++i;
            }
            continue;
        }
        if (c == u'<') {
            // A rich-text tag, copied whole.
            const qsizetype close = text.indexOf(u'>', i);
            if (close > i && (i + 1 < text.size()) && (text[i + 1].isLetter() || text[i + 1] == u'/')) {
                out += text.mid(i, close - i + 1);
                i = close;
                continue;
            }
        }
        if (c.isLetter())
            ++letters;
        out += Accents().value(c, QString(c));
    }
    if (letters == 0)
        return text;
    const int extra = std::max(2, int(std::ceil(0.4 * double(text.size()))));
    QString pad;
    for (int i = 0; i < extra - 2; ++i) {
        const QString words = QLatin1Char(' ') + Filler();
        pad += words[i % words.size()];
    }
    if (pad.endsWith(u' '))
        pad.back() = u'ļ';
    if (pad.trimmed().isEmpty())
        pad = Filler().left(pad.size());
    return QLatin1Char('[') + out + pad + QLatin1Char(']');
}

// Each line on its own, as a translator would lengthen it: a line that is
// only a placeholder (a path, an address) stays as it is.
QString Pseudo(const QString& text)
{
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString& line : lines)
        line = PseudoLine(line);
    return lines.join(QLatin1Char('\n'));
}

bool Convert(const QString& inPath, const QString& outPath, const QString& language)
{
    QFile in(inPath);
    if (!in.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "vellory_pseudoloc: cannot read %s\n", qPrintable(inPath));
        return false;
    }
    QFile out(outPath);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        std::fprintf(stderr, "vellory_pseudoloc: cannot write %s\n", qPrintable(outPath));
        return false;
    }
    QXmlStreamReader r(&in);
    QXmlStreamWriter w(&out);
    w.setAutoFormatting(true);
    w.writeStartDocument();
    w.writeDTD(QStringLiteral("<!DOCTYPE TS>"));
    QString source;
    bool numerus = false;
    int messages = 0;
    while (!r.atEnd()) {
        r.readNext();
        if (r.isStartElement()) {
            const QStringView name = r.name();
            if (name == u"TS") {
                w.writeStartElement(QStringLiteral("TS"));
                w.writeAttribute(QStringLiteral("version"), QStringLiteral("2.1"));
                w.writeAttribute(QStringLiteral("language"), language);
                w.writeAttribute(QStringLiteral("sourcelanguage"), QStringLiteral("en"));
            } else if (name == u"context") {
                w.writeStartElement(QStringLiteral("context"));
            } else if (name == u"name") {
                w.writeTextElement(QStringLiteral("name"), r.readElementText());
            } else if (name == u"message") {
                w.writeStartElement(QStringLiteral("message"));
                numerus = r.attributes().value(QStringLiteral("numerus")) == u"yes";
                if (numerus)
                    w.writeAttribute(QStringLiteral("numerus"), QStringLiteral("yes"));
            } else if (name == u"source") {
                source = r.readElementText();
                w.writeTextElement(QStringLiteral("source"), source);
            } else if (name == u"comment" || name == u"extracomment") {
                w.writeTextElement(name.toString(), r.readElementText());
            } else if (name == u"translation") {
                r.skipCurrentElement(); // lupdate's empty one; ours follows
                w.writeStartElement(QStringLiteral("translation"));
                const QString text = Pseudo(source);
                if (numerus) {
                    // English has two forms; both read the same here.
                    w.writeTextElement(QStringLiteral("numerusform"), text);
                    w.writeTextElement(QStringLiteral("numerusform"), text);
                } else {
                    w.writeCharacters(text);
                }
                w.writeEndElement();
                ++messages;
            } else {
                r.skipCurrentElement(); // locations and the like
            }
        } else if (r.isEndElement()) {
            const QStringView name = r.name();
            if (name == u"TS" || name == u"context" || name == u"message")
                w.writeEndElement();
        }
    }
    if (r.hasError()) {
        std::fprintf(stderr, "vellory_pseudoloc: %s: %s\n", qPrintable(inPath), qPrintable(r.errorString()));
        return false;
    }
    w.writeEndDocument();
    if (messages == 0) {
        std::fprintf(stderr, "vellory_pseudoloc: %s has no texts\n", qPrintable(inPath));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s <extracted.ts> <pseudo.ts> <language>\n", argv[0]);
        return 2;
    }
    return Convert(QString::fromLocal8Bit(argv[1]), QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]))
        ? 0
        : 1;
}
