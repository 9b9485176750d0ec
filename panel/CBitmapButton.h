// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#pragma once
// A push button drawn from pictures: one image per state (normal, pressed,
// keyboard focus, disabled), found by the button's caption. The pictures come
// with English words on them; in another language the button letters the
// translated words onto the same pictures without words, from a pixel font.
#include <QAbstractButton>
#include <QImage>
#include <QPixmap>
#include <QString>

class CBitmapButton : public QAbstractButton {
    Q_OBJECT
public:
    CBitmapButton(const QString& caption, QWidget* parent = nullptr);

    // Loads caption + "U", "D", "F" and "X" from the button images and sizes the
    // button to the normal image, keeping its top-left corner. A missing optional
    // image leaves the normal one in use for that state. False when even the
    // normal image is missing; the button then keeps its current size.
    // Where the translation of the words differs from them and fits the
    // button, every state's picture is lettered anew (see Reletter).
    bool AutoLoad();

    // The words the made pictures show ("Rec"), empty for a picture without
    // words; and the same in the user's language ("Aufnahme").
    QString MadeWords() const;
    QString Words() const;
    // True when the pictures in use show Words() lettered at load time
    // rather than the made ones.
    bool Relettered() const { return m_relettered; }
    // Pixels the words take in the button font (glyphs and the one-pixel gaps
    // between them); a character the font lacks counts as its base letter.
    static int WordsWidth(const QString& words);
    // Whether words of that width fit a picture of the given width, with the
    // symbol (if any) beside them, inside the face's bevel in every state.
    static bool WordsFit(int pictureWidth, bool withSymbol, int wordsWidth);
    // One state's picture ('U', 'D', 'F', 'X') with `words` in place of
    // `madeWords`: `made` is the made picture and `bare` the same without
    // words. Words and symbol are centred together as the made pictures
    // centre them; the lettering takes the made picture's colours for that
    // state (and its focus outline). Null when the words do not fit, when no
    // font is available, or when the made picture is not `bare` with
    // `madeWords` where this layout puts them.
    static QImage Reletter(const QImage& made, const QImage& bare, const QString& madeWords, const QString& words,
                           char state);

    const QString& Caption() const { return m_caption; }
    // The image the button paints in its current state (null before AutoLoad).
    const QPixmap& CurrentImage() const;
    // Which image that is: 'U', 'D', 'F' or 'X', by state, before any fallback.
    char CurrentState() const;

    QSize sizeHint() const override;

    // Folder (resource or file) the images come from, ending in a separator.
    static QString ImageFolder();

protected:
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QString m_caption;
    QPixmap m_up, m_down, m_focus, m_disabled;
    bool m_relettered = false;
};
