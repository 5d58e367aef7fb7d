#pragma once
// The skinned image buttons: a four-image button, its named variant that follows language
// and skin switches, a button with numbered states, and the signal-strength button.

#include <QAbstractButton>
#include <QFont>
#include <QRect>
#include <QString>

#include <optional>
#include <string>
#include <vector>

#include "core/GlobalService.h"
#include "resources/SkinBitmap.h"

class QPainter;

namespace dedevev {

class CSkinButton : public QAbstractButton {
    Q_OBJECT
public:
    enum class VisualState { kNormal, kHover, kDown, kDisabled };

    explicit CSkinButton(QWidget* parent = nullptr);

    // The four images (each may be null; borrowed from the skin). Sizes the button to the
    // normal image. Pixels of `transparent` are left out when drawing. Without any normal
    // image only the caption is drawn (a text link).
    void SetImages(const SkinBitmap* normal, const SkinBitmap* hover, const SkinBitmap* down,
                   const SkinBitmap* disabled, SkinColor transparent);
    void SetCaption(const QString& text);
    QString Caption() const { return text(); }
    void SetTextColor(const QColor& color);
    // Qt alignment and text flags (Qt::AlignCenter, Qt::TextWordWrap, ...).
    void SetTextFlags(int flags);
    void SetFont(const QFont& font);
    // The rectangle the caption is drawn into; an empty one means the whole button.
    void SetTextRect(const QRect& rect);
    void SetStretch(bool stretch);
    void Enable(bool enable) { setEnabled(enable); }
    // A latched button shows its down image while hovered.
    void SetLatched(bool latched);

    VisualState State() const;
    // The image drawn in `state` (null when there is none to draw).
    const SkinBitmap* ImageFor(VisualState state) const;
    // True while the skin lacks the button's normal image: the button is then drawn plainly
    // in the skin's colours, sized to its caption.
    bool Plain() const;
    // What a plain button without a caption of its own shows (a caption button's glyph).
    void SetPlainCaption(const QString& caption);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    // The face of a plain button in `state`, without its caption.
    void PaintPlain(QPainter& painter, VisualState state);

private:
    QFont CaptionFont() const;
    QString ShownCaption() const;
    // A plain button fits its caption.
    QSize PlainSize() const;
    void FitPlainSize();

    const SkinBitmap* images_[4] = {nullptr, nullptr, nullptr, nullptr};
    SkinColor transparent_ = 1;
    bool stretch_ = false;
    bool latched_ = false;
    bool hover_ = false;
    QColor text_color_ = Qt::black;
    int text_flags_ = Qt::AlignCenter | Qt::TextSingleLine;
    std::optional<QFont> font_;
    QRect text_rect_;
    QString plain_caption_;
};

// A skinned button that keeps its image names and caption key, so that it fetches them
// again when the skin or the language is switched.
class CSkinButtonEx : public CSkinButton, public CGSEventHandler {
    Q_OBJECT
public:
    explicit CSkinButtonEx(QWidget* parent = nullptr,
                           CGlobalService* service = &CGlobalService::Instance());

    // Skin entry names in the order normal, hover, down, disabled.
    void SetImages(const QString& normal, const QString& hover, const QString& down,
                   const QString& disabled);
    // The "Btn" style four-image set: base + "_Normal", "_Hover", "_Down", "_Disable".
    void SetImageSet(const QString& base);
    using CSkinButton::SetCaption;
    void SetCaption(const char* key, const char* section);

    void OnLanguageChanged() override;
    void OnSkinChanged() override;

private:
    QString names_[4];
    std::string key_;
    std::string section_;
};

// Shows the image of its current state number.
class CStateButton : public CSkinButtonEx {
    Q_OBJECT
public:
    explicit CStateButton(QWidget* parent = nullptr,
                          CGlobalService* service = &CGlobalService::Instance());
    void AddState(int state, const QString& image_name);
    // A state that was never added leaves the button as it is.
    void SetState(int state);
    int CurrentState() const { return state_; }

private:
    std::vector<std::pair<int, QString>> states_;
    int state_ = -1;
};

// Signal strength 0..6, images "Signal0" to "Signal6".
class CSignalButton : public CStateButton {
    Q_OBJECT
public:
    explicit CSignalButton(QWidget* parent = nullptr,
                           CGlobalService* service = &CGlobalService::Instance());
    // Levels outside 0..6 are clamped.
    void SetLevel(int level);
    int Level() const { return CurrentState(); }

protected:
    // Without the skin's pictures the level is drawn as bars.
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace dedevev
