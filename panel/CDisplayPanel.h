// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#pragma once
// The LCD strip across the middle of the recorder panel: the time, one line
// of text (the current file's path), the category label and a progress bar.
// It paints only from the program's bitmaps, never with a system font (the
// category names, translated, in the font sheet's capitals); what it shows
// comes from the recording session through the panel.
#include <QImage>
#include <QRegion>
#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <string>

class QPainter;

class CDisplayPanel : public QWidget {
    Q_OBJECT
public:
    // 215 x 25 dialog units of the panel's template.
    static constexpr int kWidth = 322;
    static constexpr int kHeight = 40;

    // The bar shows the playback position within the range, or, while
    // recording, the input's level or how much of the disk's free space the
    // recording has used.
    enum class BarMode { Position, Level, Space };

    // Level scale of the bar in dBFS: empty at the floor, full at 0.
    static constexpr float kLevelFloor = -60.0f;
    // A peak stays this long, then the bar falls back at kLevelFall dB/s.
    static constexpr int kLevelHoldMs = 1000;
    static constexpr float kLevelFall = 20.0f;
    // While blinking, the time is shown and hidden for this long in turn.
    static constexpr int kBlinkMs = 500;

    explicit CDisplayPanel(QWidget* parent = nullptr);

    // SetSeconds, SetCategory and SetRange with redraw repaint before they
    // return, and only the parts of the picture that changed since the last
    // repaint: nothing at all when nothing did. SetText and SetPosition show
    // at the next such repaint.
    void SetSeconds(uint32_t seconds);
    void SetRange(int32_t low, int32_t high, bool redraw);
    void SetPosition(int32_t position);
    void SetText(const std::string& text);
    std::string GetText() const;
    // Categories outside 0 to 3 are ignored.
    void SetCategory(int32_t category);
    int32_t GetCategory() const;

    // Switching the bar's mode clears the level; the bar is repainted soon
    // after (not before the call returns).
    void SetBarMode(BarMode mode);
    BarMode GetBarMode() const { return m_barMode; }
    // The share of the free space used, 0 to 1, shown in Space mode; the
    // bar is repainted soon after when the lit part moves by a column.
    void SetSpaceUsed(float fraction);
    float GetSpaceUsed() const { return m_spaceUsed; }
    // The input's latest peak in dBFS (-infinity or NaN for digital silence).
    // A higher peak shows at once and is held; a lower one lets the bar fall
    // back. Schedules a repaint of the bar's band alone, when the lit part
    // moves by a column.
    void SetLevel(float dBFS);
    // The level the bar stands for now, after hold and fall-back.
    float ShownLevel() const;
    // Milliseconds on a monotonic clock, for the level's hold and fall-back.
    void SetClock(std::function<int64_t()> clock);

    // What the session is doing, for screen readers only: the picture shows
    // it through the buttons and the blinking time.
    enum class Activity { Stopped, Recording, Paused, Playing };
    void SetActivity(Activity activity);
    Activity GetActivity() const { return m_activity; }
    // The display in words, e.g. "Recording, 00:15, category New, file
    // 09-Dec-2026_15659.wav": the state, the time, the category and the
    // file's own name (left out without a file). Always current; screen
    // readers are told of a change of state at once, of the time alone at
    // most once per kAnnounceMs.
    QString AccessibleText() const;
    static constexpr int kAnnounceMs = 1000;

    // The time shows the seconds left of a timed recording, as "-M:SS" (the
    // minus drawn from the digit strip's middle bar); shown at the next repaint.
    void SetCountdown(bool countdown);
    bool IsCountdown() const { return m_countdown; }

    // Nothing comes from the input: the category line blinks "NO INPUT" in
    // the label's lit capitals instead of the category words until cleared.
    void SetNoInput(bool noInput);
    bool IsNoInput() const { return m_noInputBlink.isActive(); }
    // False when the category words show: no warning, or its dark half.
    bool IsNoInputShown() const { return IsNoInput() && !m_noInputHidden; }
    // The words of the warning as drawn (the translation in capitals).
    static QString NoInputText();

    // The time stands still and blinks (a paused recording); the other parts
    // stay as they are.
    void SetBlinking(bool blinking);
    bool IsBlinking() const { return m_blink.isActive(); }
    // False in the dark half of a blink.
    bool IsTimeShown() const { return !m_timeHidden; }

    // Areas of the picture, in its 1:1 pixels.
    QRect TimeRect() const;
    QRect TextRect() const;
    static QRect BarRect();
    static QRect LabelRect();
    // The whole category line, where the warning is drawn.
    static QRect CategoryLineRect();

    // The picture at 1:1 pixels.
    QImage Render() const;
    // Paints the picture over the widget's 322 x 40 logical pixels at the
    // painter's device pixel ratio, whole or fractional, pixel for pixel
    // (nearest neighbour, never smoothed).
    void PaintScaled(QPainter& painter) const;

signals:
    // Screen readers were just told of the new line (name and text changed).
    void AccessibleTextAnnounced(const QString& text);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::string TimeText() const;
    int TimeLength() const;
    int BarColumns() const;
    int LevelColumns(float dBFS) const;
    void RepaintPending();
    // Schedules telling screen readers of a changed line: at once (after the
    // current batch of setters), or for the time alone, not before
    // kAnnounceMs since the last time they were told.
    void UpdateAccessibleText(bool timeOnly = false);
    void Announce();

    uint32_t m_seconds = 0;
    QImage m_hDigits;
    QImage m_hFont;
    QImage m_minus; // the digit strip's middle bar alone, on the strip's ground
    // The font sheet's glyphs in the category label's lit and dim colours.
    QImage m_labelLit;
    QImage m_labelDim;
    int32_t m_low = 0;
    int32_t m_high = 100;
    int32_t m_position = 0;
    std::string m_text;
    int32_t m_category = 1;

    // Parts changed by setters that do not repaint, shown by the next one that does.
    QRegion m_pending;

    BarMode m_barMode = BarMode::Position;
    float m_levelPeak = kLevelFloor;
    int64_t m_levelPeakAt = 0;
    int m_levelColumns = 0;
    std::function<int64_t()> m_clock;
    float m_spaceUsed = 0.0f;
    bool m_countdown = false;

    QTimer m_noInputBlink;
    bool m_noInputHidden = false;

    QTimer m_blink;
    bool m_timeHidden = false;

    Activity m_activity = Activity::Stopped;
    QTimer m_announce;          // single shot: the next text-changed event
    QString m_announcedText;    // the line screen readers were last told
    int64_t m_announcedAt = -kAnnounceMs;
};
