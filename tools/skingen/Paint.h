#pragma once
// Drawing helpers shared by every picture of the skin: keyed (transparent-colour) output,
// rounded faces, the glyph set and the product logo.

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRectF>
#include <optional>

#include "Style.h"

namespace skingen {

// A transparent ARGB canvas to draw on with anti-aliasing.
QImage Canvas(QSize size);

// A QPainter with anti-aliasing switched on.
class Pen : public QPainter {
public:
    explicit Pen(QImage* image);
};

// Turns an anti-aliased drawing into an opaque bitmap that uses the transparent colour for
// everything outside the shapes. A pixel at least half covered becomes opaque: blended over
// `backdrop` (the colour the picture will sit on) when one is known, else at its own colour.
// The rest becomes the transparent colour, so edges carry no pink fringe.
QImage Keyed(const QImage& art, std::optional<QColor> backdrop);

// The drawing laid over a solid colour; no transparent pixels.
QImage Flat(const QImage& art, const QColor& under);

// `top` laid over the opaque `under`, as one opaque colour.
QColor Over(const QColor& top, const QColor& under);

QPainterPath Rounded(const QRectF& r, qreal radius);
QLinearGradient Vertical(const QRectF& r, const QColor& top, const QColor& bottom);

// A button face: rounded body with a vertical gradient, a darker edge and a soft top highlight.
void DrawFace(QPainter& p, const QRectF& r, qreal radius, const Face& face);

// The glyphs of the skin, drawn in `color` and centred in `box`.
enum class Glyph {
    Close,
    Minimize,
    Maximize,
    Restore,
    Globe,
    Traffic,
    Envelope,
    EnvelopeOpen,
    Contacts,
    Person,
    Clock,
    Bubble,
    Gear,
    Phone,
    Power,
    Bell,
    ArrowIn,
    ArrowOut,
    ArrowMissed,
    Info,
    Question,
    Exclamation,
    Cross,
    Check,
};
void DrawGlyph(QPainter& p, Glyph glyph, const QRectF& box, const QColor& color);

// The product word mark "DEDEVev", built from strokes so it needs no font; fitted into `box`
// keeping its proportions, left-aligned and vertically centred. Returns the width used.
qreal DrawWordMark(QPainter& p, const QRectF& box, const QColor& caps, const QColor& small);

// Width of the word mark for a cap height of 1.
qreal WordMarkAspect();

// The round emblem: a teal disc with radio waves leaving a point.
void DrawEmblem(QPainter& p, const QRectF& box, const QColor& ring = kAccent);

// Faint concentric arcs used as decoration on large backgrounds.
void DrawWaves(QPainter& p, const QPointF& centre, qreal first, qreal step, int count,
               const QColor& color);

}  // namespace skingen
