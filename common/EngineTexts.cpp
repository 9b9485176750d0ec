// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#include "common/EngineTexts.h"

#include <QCoreApplication>
#include <QHash>
#include <QRegularExpression>
#include <QStringList>

#include <vector>

namespace {
constexpr char kContext[] = "Engine";

QString Tr(const char* source, const char* disambiguation = nullptr)
{
    return QCoreApplication::translate(kContext, source, disambiguation);
}

// Every whole text the engine and the platform layers show (CWavFile,
// CWaveRecorder, CAudioFileHeader, the playback device): lupdate collects
// them from here.
const char* const kFixedTexts[] = {
    // Conversion
    QT_TRANSLATE_NOOP("Engine", "The specified handle is invalid."),
    QT_TRANSLATE_NOOP("Engine", "The system is unable to allocate resources."),
    QT_TRANSLATE_NOOP("Engine", "At least one flag is invalid."),
    QT_TRANSLATE_NOOP("Engine", "At least one parameter is invalid."),
    QT_TRANSLATE_NOOP("Engine", "The requested operation cannot be performed."),
    QT_TRANSLATE_NOOP("Engine", "The audio codec library could not be loaded."),
    // Writing and opening files
    QT_TRANSLATE_NOOP("Engine", "CWavFile::Create\nError while writing .wav file"),
    QT_TRANSLATE_NOOP("Engine", "The directory specification is incorrect."),
    QT_TRANSLATE_NOOP("Engine", "The file is protected and cannot be opened."),
    QT_TRANSLATE_NOOP("Engine", "The file is being used by another application and is unavailable."),
    QT_TRANSLATE_NOOP("Engine", "The network is not responding to the request to open a remote file."),
    QT_TRANSLATE_NOOP("Engine", "The number of files simultaneously open is at a maximum level. The system has run "
                                "out of available file handles."),
    QT_TRANSLATE_NOOP("Engine",
                      "Another failure condition occurred. This is the default error for an open-file failure."),
    // Recording
    QT_TRANSLATE_NOOP("Engine", "Specified device identifier is out of range."),
    QT_TRANSLATE_NOOP("Engine", "Specified resource is already allocated."),
    QT_TRANSLATE_NOOP("Engine", "Specified device handle is invalid."),
    QT_TRANSLATE_NOOP("Engine", "No device driver is present."),
    QT_TRANSLATE_NOOP("Engine", "Unable to allocate or lock memory."),
    QT_TRANSLATE_NOOP("Engine", "invalid parameter passed"),
    QT_TRANSLATE_NOOP("Engine", "Attempted to open with an unsupported waveform-audio format."),
    QT_TRANSLATE_NOOP("Engine", "There are still buffers in the queue."),
    QT_TRANSLATE_NOOP("Engine", "The audio library could not be loaded."),
    QT_TRANSLATE_NOOP("Engine", "The end of the file (or the end of the parent chunk, if given) was reached before "
                                "the desired chunk was found."),
    QT_TRANSLATE_NOOP("Engine", "Out of memory."),
    // Playback
    QT_TRANSLATE_NOOP("Engine", "The specified command was carried out."),
    QT_TRANSLATE_NOOP("Engine", "Invalid device ID. Use the ID given to the device when the device was opened."),
    QT_TRANSLATE_NOOP("Engine", "The device does not recognize the requested status item."),
    QT_TRANSLATE_NOOP("Engine", "There is not enough memory available for this task. Quit one or more applications "
                                "to increase available memory, and then try again."),
    QT_TRANSLATE_NOOP("Engine", "The specified command requires a parameter. Please supply one."),
    QT_TRANSLATE_NOOP("Engine", "The specified file was not found. Make sure the path and filename are correct."),
    QT_TRANSLATE_NOOP("Engine", "An internal error occurred in the playback device."),
    QT_TRANSLATE_NOOP("Engine", "The specified position is beyond the end of the file."),
    QT_TRANSLATE_NOOP("Engine", "The file cannot be played on the specified device. The file may be damaged, or not "
                                "in a format the device can play."),
    QT_TRANSLATE_NOOP("Engine", "No sound output is available to play the file. Make sure the sound server is "
                                "running, and then try again."),
    QT_TRANSLATE_NOOP("Engine", "The specified file cannot be read. Make sure you are allowed to read it."),
    QT_TRANSLATE_NOOP("Engine", "A library the playback device needs cannot be loaded."),
    // Reading a recording's header (the manager's list, the player)
    QT_TRANSLATE_NOOP("Engine", "The file is too short to hold a sound header."),
    QT_TRANSLATE_NOOP("Engine", "The file is not a RIFF/WAVE file."),
    QT_TRANSLATE_NOOP("Engine", "The file has no format chunk before its audio."),
    QT_TRANSLATE_NOOP("Engine", "The file's format chunk holds figures no sound file has."),
    QT_TRANSLATE_NOOP("Engine", "The file is not an Ogg Opus file."),
    QT_TRANSLATE_NOOP("Engine", "The file is not a FLAC file."),
    QT_TRANSLATE_NOOP("Engine", "The file is neither a WAV, an Opus nor a FLAC file."),
};

// Texts with a variable part: the English pattern the engine builds, and the
// translatable source with the variable parts as %1, %2, ...
struct Pattern {
    const char* regex;
    const char* source;
};
const Pattern kPatterns[] = {
    {"^Unable to create file\\n\\n(.*)\\n(.*)$", QT_TRANSLATE_NOOP("Engine", "Unable to create file\n\n%1\n%2")},
    {"^Unknown mm file error (-?\\d+)$", QT_TRANSLATE_NOOP("Engine", "Unknown mm file error %1")},
    {"^An error open WAVE_MAPPER device, code=(-?\\d+)$",
     QT_TRANSLATE_NOOP("Engine", "An error open WAVE_MAPPER device, code=%1")},
    {"^Unknown playback error (\\d+)\\.$", QT_TRANSLATE_NOOP("Engine", "Unknown playback error %1.")},
    // The loader's reason ("libpulse.so.0: cannot open shared object file: ...") stays as the system gave it.
    {"^The audio codec library (\\S+) could not be loaded: (.*)\\.\\nInstall the package (\\S+) and try again\\.$",
     QT_TRANSLATE_NOOP("Engine",
                       "The audio codec library %1 could not be loaded: %2.\nInstall the package %3 and try again.")},
    {"^The sound server library (\\S+) could not be loaded: (.*)\\.\\nInstall the package (\\S+) and try again\\.$",
     QT_TRANSLATE_NOOP("Engine",
                       "The sound server library %1 could not be loaded: %2.\nInstall the package %3 and try again.")},
};

const QHash<QString, const char*>& FixedTexts()
{
    static const QHash<QString, const char*> texts = [] {
        QHash<QString, const char*> map;
        for (const char* text : kFixedTexts)
            map.insert(QString::fromLatin1(text), text);
        return map;
    }();
    return texts;
}

struct CompiledPattern {
    QRegularExpression regex;
    const char* source;
};
const std::vector<CompiledPattern>& Patterns()
{
    static const std::vector<CompiledPattern> patterns = [] {
        std::vector<CompiledPattern> list;
        for (const Pattern& p : kPatterns)
            list.push_back({QRegularExpression(QString::fromLatin1(p.regex),
                                               QRegularExpression::DotMatchesEverythingOption),
                            p.source});
        return list;
    }();
    return patterns;
}

// The catalogue groups thousands with commas ("22,050"); other languages
// group them their own way.
QString GroupThousands(const QString& digits)
{
    QString plain = digits;
    plain.remove(QLatin1Char(','));
    static const struct {
        const char* source;
        const char* comment;
    } kSeparator = QT_TRANSLATE_NOOP3("Engine", ",", "thousands separator, as in 22,050 Hz");
    const QString separator = Tr(kSeparator.source, kSeparator.comment);
    if (separator == QLatin1String(","))
        return digits;
    for (int i = int(plain.size()) - 3; i > 0; i -= 3)
        plain.insert(i, separator);
    return plain;
}
} // namespace

QString TranslateEngineText(const std::string& text)
{
    const QString english = QString::fromStdString(text);
    if (const auto it = FixedTexts().constFind(english); it != FixedTexts().constEnd())
        return Tr(it.value());
    for (const CompiledPattern& p : Patterns()) {
        const QRegularExpressionMatch match = p.regex.match(english);
        if (!match.hasMatch())
            continue;
        QString translated = Tr(p.source);
        for (int i = 1; i <= match.lastCapturedIndex(); ++i)
            translated = translated.arg(match.captured(i));
        return translated;
    }
    return english;
}

QString TranslateFormatName(const std::string& name)
{
    static const char* const kNames[] = {
        QT_TRANSLATE_NOOP("Engine", "PCM"),         QT_TRANSLATE_NOOP("Engine", "CCITT A-Law"),
        QT_TRANSLATE_NOOP("Engine", "CCITT u-Law"), QT_TRANSLATE_NOOP("Engine", "IMA ADPCM"),
        QT_TRANSLATE_NOOP("Engine", "Microsoft ADPCM"), QT_TRANSLATE_NOOP("Engine", "GSM 6.10"),
        QT_TRANSLATE_NOOP("Engine", "MPEG Layer-3"),
    };
    for (const char* known : kNames)
        if (name == known)
            return Tr(known);
    static const QRegularExpression unknown(QStringLiteral("^Format (0x[0-9A-F]{4})$"));
    const QString english = QString::fromStdString(name);
    if (const QRegularExpressionMatch match = unknown.match(english); match.hasMatch())
        return Tr(QT_TRANSLATE_NOOP("Engine", "Format %1")).arg(match.captured(1));
    return english;
}

QString TranslateFormatDescription(const std::string& description)
{
    // "<attribute>, <attribute>, ...  <speed>": each part on its own.
    const QString english = QString::fromStdString(description);
    const qsizetype gap = english.indexOf(QLatin1String("  "));
    const QString attributes = gap < 0 ? english : english.left(gap);
    static const QRegularExpression numbered(QStringLiteral("^([0-9,]+) (Hz|Bit|kBit/s|Channels|KB/s)$"));
    auto part = [](const QString& text) -> QString {
        if (text == QLatin1String("Mono"))
            return Tr(QT_TRANSLATE_NOOP("Engine", "Mono"));
        if (text == QLatin1String("Stereo"))
            return Tr(QT_TRANSLATE_NOOP("Engine", "Stereo"));
        const QRegularExpressionMatch match = numbered.match(text);
        if (!match.hasMatch())
            return text;
        const QString number = GroupThousands(match.captured(1));
        const QString unit = match.captured(2);
        if (unit == QLatin1String("Hz"))
            return Tr(QT_TRANSLATE_NOOP("Engine", "%1 Hz")).arg(number);
        if (unit == QLatin1String("Bit"))
            return Tr(QT_TRANSLATE_NOOP("Engine", "%1 Bit")).arg(number);
        if (unit == QLatin1String("kBit/s"))
            return Tr(QT_TRANSLATE_NOOP("Engine", "%1 kBit/s")).arg(number);
        if (unit == QLatin1String("Channels"))
            return Tr(QT_TRANSLATE_NOOP("Engine", "%1 Channels")).arg(number);
        return Tr(QT_TRANSLATE_NOOP("Engine", "%1 KB/s")).arg(number);
    };
    QStringList parts = attributes.split(QLatin1String(", "));
    for (QString& p : parts)
        p = part(p);
    QString result = parts.join(QLatin1String(", "));
    if (gap >= 0)
        result += QLatin1String("  ") + part(english.mid(gap + 2));
    return result;
}
