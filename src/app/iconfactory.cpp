#include "app/iconfactory.h"

#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <cmath>

#include "commands/command_ids.h"

namespace orv {

namespace {

constexpr int kSize = 32;

const QColor kInk(40, 40, 48);
const QColor kBlue(52, 101, 164);
const QColor kFill(114, 159, 207);
const QColor kGreen(78, 154, 6);
const QColor kRed(204, 0, 0);
const QColor kOrange(245, 121, 0);
const QColor kPaper(250, 250, 245);

void Cube(QPainter& p, QRectF r, bool solid, const QColor& c)
{
    const qreal d = r.width() * 0.3;
    QPolygonF front({r.topLeft() + QPointF(0, d), r.topLeft() + QPointF(r.width() - d, d),
                     r.bottomRight() - QPointF(d, 0), r.bottomLeft()});
    QPolygonF top(
        {r.topLeft() + QPointF(0, d), r.topLeft() + QPointF(d, 0), r.topRight(), r.topRight() + QPointF(-d, d)});
    QPolygonF side({r.topRight() + QPointF(-d, d), r.topRight(), r.bottomRight() - QPointF(0, d),
                    r.bottomRight() - QPointF(d, 0)});
    p.setPen(QPen(solid ? kInk : c, 2));
    if (solid) {
        p.setBrush(c);
        p.drawPolygon(front);
        p.setBrush(c.lighter(130));
        p.drawPolygon(top);
        p.setBrush(c.darker(130));
        p.drawPolygon(side);
    } else {
        p.setBrush(Qt::NoBrush);
        p.drawPolygon(front);
        p.drawPolygon(top);
        p.drawPolygon(side);
    }
}

void Arrow(QPainter& p, QPointF from, QPointF to, const QColor& c, qreal width = 3)
{
    p.setPen(QPen(c, width, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(from, to);
    const QPointF d = to - from;
    const qreal len = std::hypot(d.x(), d.y());
    if (len == 0)
        return;
    const QPointF u = d / len, n(-u.y(), u.x());
    p.setBrush(c);
    p.setPen(Qt::NoPen);
    p.drawPolygon(QPolygonF({to + u * 4, to - u * 6 + n * 6, to - u * 6 - n * 6}));
}

void CurvedArrow(QPainter& p, bool clockwise, const QColor& c, QRectF r = QRectF(5, 5, 22, 22))
{
    p.setPen(QPen(c, 3, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    const int start = clockwise ? 200 * 16 : -20 * 16;
    const int span = clockwise ? -250 * 16 : 250 * 16;
    p.drawArc(r, start, span);
    const qreal endDeg = (start + span) / 16.0 * M_PI / 180.0;
    const QPointF c0 = r.center();
    const QPointF tip(c0.x() + r.width() / 2 * std::cos(endDeg), c0.y() - r.height() / 2 * std::sin(endDeg));
    const QPointF tangent =
        clockwise ? QPointF(std::sin(endDeg), std::cos(endDeg)) : QPointF(-std::sin(endDeg), -std::cos(endDeg));
    const QPointF n(-tangent.y(), tangent.x());
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawPolygon(QPolygonF({tip + tangent * 6, tip - n * 6, tip + n * 6}));
}

void Label(QPainter& p, const QString& text, QRectF r, const QColor& c, int px = 14)
{
    QFont f = p.font();
    f.setPixelSize(px);
    f.setBold(true);
    p.setFont(f);
    p.setPen(c);
    p.drawText(r, Qt::AlignCenter, text);
}

void Page(QPainter& p, QRectF r)
{
    QPainterPath path;
    path.moveTo(r.topLeft());
    path.lineTo(r.right() - 7, r.top());
    path.lineTo(r.right(), r.top() + 7);
    path.lineTo(r.bottomRight());
    path.lineTo(r.bottomLeft());
    path.closeSubpath();
    p.setPen(QPen(kInk, 1.5));
    p.setBrush(kPaper);
    p.drawPath(path);
}

void Grid(QPainter& p, QRectF r, int n, const QColor& c)
{
    p.setPen(QPen(c, 1.5));
    for (int i = 0; i <= n; ++i) {
        const qreal x = r.left() + r.width() * i / n, y = r.top() + r.height() * i / n;
        p.drawLine(QPointF(x, r.top()), QPointF(x, r.bottom()));
        p.drawLine(QPointF(r.left(), y), QPointF(r.right(), y));
    }
}

void Dots(QPainter& p, const QList<QPointF>& pts, qreal radius, const QColor& c)
{
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    for (const auto& pt : pts)
        p.drawEllipse(pt, radius, radius);
}

void ViewLetter(QPainter& p, const QString& text)
{
    p.setPen(QPen(kInk, 1.5));
    p.setBrush(kFill.lighter(140));
    p.drawRoundedRect(QRectF(3, 3, 26, 26), 4, 4);
    Label(p, text, QRectF(3, 3, 26, 26), kInk, text.size() > 1 ? 12 : 16);
}

// The icons of files, the clipboard and help; false for another command.
bool DrawFileIcon(QPainter& p, int id)
{
    using namespace cmd;
    switch (id) {
    case FileNew: Page(p, QRectF(7, 3, 18, 26)); break;
    case FileOpen:
        p.setPen(QPen(kInk, 1.5));
        p.setBrush(QColor(233, 185, 110));
        p.drawPolygon(QPolygonF(
            {QPointF(3, 8), QPointF(12, 8), QPointF(14, 11), QPointF(28, 11), QPointF(28, 27), QPointF(3, 27)}));
        p.setBrush(QColor(252, 233, 79));
        p.drawPolygon(QPolygonF({QPointF(6, 15), QPointF(30, 15), QPointF(27, 27), QPointF(3, 27)}));
        break;
    case FileSave:
        p.setPen(QPen(kInk, 1.5));
        p.setBrush(kBlue);
        p.drawRect(QRectF(4, 4, 24, 24));
        p.setBrush(kPaper);
        p.drawRect(QRectF(8, 4, 16, 9));
        p.setBrush(QColor(200, 200, 200));
        p.drawRect(QRectF(9, 18, 14, 10));
        break;
    case EditCut:
        p.setPen(QPen(kInk, 2));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(10, 23), 4, 4);
        p.drawEllipse(QPointF(22, 23), 4, 4);
        p.drawLine(QPointF(12, 20), QPointF(21, 4));
        p.drawLine(QPointF(20, 20), QPointF(11, 4));
        break;
    case EditCopy:
        Page(p, QRectF(4, 3, 15, 19));
        Page(p, QRectF(13, 10, 15, 19));
        break;
    case EditPaste:
        p.setPen(QPen(kInk, 1.5));
        p.setBrush(QColor(193, 125, 17));
        p.drawRoundedRect(QRectF(5, 5, 20, 24), 2, 2);
        Page(p, QRectF(12, 11, 16, 18));
        p.setBrush(QColor(160, 160, 160));
        p.drawRect(QRectF(10, 3, 10, 5));
        break;
    case ContextHelp:
        // The pointer with a question mark: help on what is clicked next.
        p.setPen(QPen(kInk, 1.5));
        p.setBrush(kPaper);
        p.drawPolygon(QPolygonF({QPointF(4, 3), QPointF(4, 25), QPointF(9, 20), QPointF(13, 28), QPointF(16, 27),
                                 QPointF(12, 19), QPointF(19, 19)}));
        Label(p, QStringLiteral("?"), QRectF(15, 2, 16, 22), kBlue, 18);
        break;
    case HelpIndex:
        p.setPen(QPen(kBlue, 2));
        p.setBrush(kPaper);
        p.drawEllipse(QRectF(4, 4, 24, 24));
        Label(p, QStringLiteral("?"), QRectF(4, 4, 24, 24), kBlue, 18);
        break;
    case EditUndo: CurvedArrow(p, false, kBlue); break;
    case EditRedo: CurvedArrow(p, true, kBlue); break;
    default: return false;
    }
    return true;
}

// The icons of what is drawn, and the mesh and face modes; false for another command.
bool DrawShapeIcon(QPainter& p, int id)
{
    using namespace cmd;
    switch (id) {
    case RenderAll:
        Cube(p, QRectF(2, 10, 14, 14), true, kFill);
        Cube(p, QRectF(14, 4, 16, 16), true, kFill);
        break;
    case WireAll:
        Cube(p, QRectF(2, 10, 14, 14), false, kInk);
        Cube(p, QRectF(14, 4, 16, 16), false, kInk);
        break;
    case MeshRenderedWire:
        Cube(p, QRectF(2, 10, 14, 14), false, kInk);
        Cube(p, QRectF(14, 4, 16, 16), true, kOrange);
        break;
    case MeshRendered: Cube(p, QRectF(7, 6, 20, 20), true, kOrange); break;
    case MeshWire: Cube(p, QRectF(7, 6, 20, 20), false, kOrange); break;
    case GameView:
        // A cube lit from one side, its shadowed faces darker: the light the game gives.
        Cube(p, QRectF(7, 6, 20, 20), true, kFill.darker(170));
        Label(p, QStringLiteral("G"), QRectF(0, 16, 16, 16), kRed, 13);
        break;
    case MeshMode:
        Cube(p, QRectF(6, 6, 20, 20), true, kFill);
        Label(p, QStringLiteral("M"), QRectF(0, 16, 16, 16), kRed, 13);
        break;
    case FaceMode:
        p.setPen(QPen(kInk, 1.5));
        p.setBrush(kOrange);
        p.drawPolygon(QPolygonF({QPointF(6, 24), QPointF(12, 6), QPointF(28, 9), QPointF(24, 27)}));
        break;
    default: return false;
    }
    return true;
}

// The icons of the texturing, coordinate and animation modes; false for another command.
bool DrawModeIcon(QPainter& p, int id)
{
    using namespace cmd;
    switch (id) {
    case TexturingMode: {
        p.setPen(Qt::NoPen);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 4; ++x) {
                p.setBrush(((x + y) & 1) ? kGreen : QColor(255, 255, 255));
                p.drawRect(QRectF(4 + x * 6, 4 + y * 6, 6, 6));
            }
        p.setPen(QPen(kInk, 1.5));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(4, 4, 24, 24));
        break;
    }
    case CoordinateMode:
        Arrow(p, QPointF(8, 24), QPointF(28, 24), kRed, 2.5);
        Arrow(p, QPointF(8, 24), QPointF(8, 4), kGreen, 2.5);
        Arrow(p, QPointF(8, 24), QPointF(20, 12), kBlue, 2.5);
        break;
    case AnimateMode:
    case ViewAnimating:
        p.setPen(QPen(kInk, 1.5));
        p.setBrush(QColor(60, 60, 60));
        p.drawRect(QRectF(4, 6, 24, 20));
        p.setBrush(id == AnimateMode ? kOrange : kFill);
        p.drawRect(QRectF(9, 10, 14, 12));
        p.setBrush(kPaper);
        for (int i = 0; i < 4; ++i) {
            p.drawRect(QRectF(5, 7.5 + i * 5, 2, 2));
            p.drawRect(QRectF(25, 7.5 + i * 5, 2, 2));
        }
        break;
    case PrevFrame:
    case NextFrame: {
        // A film strip's frame with a step back or on.
        p.setPen(QPen(kInk, 1.5));
        p.setBrush(QColor(60, 60, 60));
        p.drawRect(QRectF(3, 8, 26, 16));
        p.setBrush(kPaper);
        p.drawRect(QRectF(10, 11, 12, 10));
        const bool next = id == NextFrame;
        p.setPen(Qt::NoPen);
        p.setBrush(kGreen);
        p.drawPolygon(next ? QPolygonF({QPointF(13, 12.5), QPointF(20, 16), QPointF(13, 19.5)})
                           : QPolygonF({QPointF(19, 12.5), QPointF(12, 16), QPointF(19, 19.5)}));
        p.setBrush(kInk);
        p.drawRect(next ? QRectF(20, 12.5, 1.5, 7) : QRectF(10.5, 12.5, 1.5, 7));
        break;
    }
    default: return false;
    }
    return true;
}

// The icons of the standard views, the view's turning, moving and scale; false for another command.
bool DrawViewIcon(QPainter& p, int id)
{
    using namespace cmd;
    switch (id) {
    case ViewFront: ViewLetter(p, QStringLiteral("F")); break;
    case ViewBack: ViewLetter(p, QStringLiteral("B")); break;
    case ViewLeft: ViewLetter(p, QStringLiteral("L")); break;
    case ViewRight: ViewLetter(p, QStringLiteral("R")); break;
    case ViewTop: ViewLetter(p, QStringLiteral("T")); break;
    case ViewBottom: ViewLetter(p, QStringLiteral("Bo")); break;
    case ViewRotate:
        CurvedArrow(p, true, kBlue);
        Cube(p, QRectF(11, 11, 10, 10), true, kFill);
        break;
    case MoveForward: Arrow(p, QPointF(16, 28), QPointF(16, 6), kBlue); break;
    case MoveBackward: Arrow(p, QPointF(16, 4), QPointF(16, 26), kBlue); break;
    case Middle:
        p.setPen(QPen(kRed, 2));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QRectF(8, 8, 16, 16));
        p.drawLine(QPointF(16, 3), QPointF(16, 29));
        p.drawLine(QPointF(3, 16), QPointF(29, 16));
        break;
    case ScaleUp:
    case ScaleDown:
        p.setPen(QPen(kInk, 2));
        p.setBrush(kPaper);
        p.drawEllipse(QRectF(4, 4, 18, 18));
        p.setPen(QPen(kInk, 4, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(20, 20), QPointF(28, 28));
        Label(p, id == ScaleUp ? QStringLiteral("+") : QStringLiteral("\u2212"), QRectF(4, 4, 18, 18), kInk, 16);
        break;
    default: return false;
    }
    return true;
}

// The icons of the grid, the nodes' size, enlarging and the options; false for another command.
bool DrawGridIcon(QPainter& p, int id)
{
    using namespace cmd;
    switch (id) {
    case GridSmaller: Grid(p, QRectF(4, 4, 24, 24), 6, kInk); break;
    case GridLarger: Grid(p, QRectF(4, 4, 24, 24), 2, kInk); break;
    case GridOnOff: Grid(p, QRectF(4, 4, 24, 24), 4, kOrange); break;
    case GridFacesOnly:
        p.setPen(QPen(kInk, 1.5));
        p.setBrush(kFill.lighter(130));
        p.drawRect(QRectF(4, 4, 24, 24));
        Dots(p,
             {QPointF(10, 10), QPointF(16, 10), QPointF(22, 10), QPointF(10, 16), QPointF(16, 16), QPointF(22, 16),
              QPointF(10, 22), QPointF(16, 22), QPointF(22, 22)},
             1.8, kOrange);
        break;
    case GridEdgesOnly:
        p.setPen(QPen(kInk, 1.5));
        p.setBrush(kFill.lighter(130));
        p.drawRect(QRectF(4, 4, 24, 24));
        Dots(p,
             {QPointF(4, 4), QPointF(16, 4), QPointF(28, 4), QPointF(4, 16), QPointF(28, 16), QPointF(4, 28),
              QPointF(16, 28), QPointF(28, 28)},
             2.2, kOrange);
        break;
    case VertexLarger:
        Dots(p, {QPointF(14, 16)}, 9, kRed);
        Label(p, QStringLiteral("+"), QRectF(18, 0, 14, 14), kInk, 14);
        break;
    case VertexSmaller:
        Dots(p, {QPointF(14, 16)}, 4, kRed);
        Label(p, QStringLiteral("\u2212"), QRectF(18, 0, 14, 14), kInk, 14);
        break;
    case Enlarge:
        p.setPen(QPen(kInk, 1.5));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(3, 3, 26, 26));
        p.drawRect(QRectF(12, 12, 8, 8));
        Arrow(p, QPointF(12, 12), QPointF(6, 6), kBlue, 2);
        Arrow(p, QPointF(20, 20), QPointF(26, 26), kBlue, 2);
        break;
    case Options:
        p.setPen(QPen(kInk, 1.5));
        p.setBrush(QColor(186, 189, 182));
        p.drawEllipse(QRectF(6, 6, 20, 20));
        p.setBrush(kPaper);
        p.drawEllipse(QRectF(12, 12, 8, 8));
        break;
    default: return false;
    }
    return true;
}

// The icons of moving and rotating along an axis; false for another command.
bool DrawMoveIcon(QPainter& p, int id)
{
    using namespace cmd;
    switch (id) {
    // Move: an arrow along the axis, the axis letter in its colour.
    case MoveUp:
    case MoveDown:
    case MoveLeftX:
    case MoveRightX:
    case MoveLeftZ:
    case MoveRightZ: {
        const bool y = id == MoveUp || id == MoveDown, z = id == MoveLeftZ || id == MoveRightZ;
        const bool positive = id == MoveUp || id == MoveLeftX || id == MoveLeftZ;
        const QColor c = y ? kGreen : (z ? kBlue : kRed);
        if (y)
            Arrow(p, QPointF(14, positive ? 27 : 5), QPointF(14, positive ? 6 : 26), c);
        else if (z)
            Arrow(p, positive ? QPointF(22, 8) : QPointF(6, 26), positive ? QPointF(7, 24) : QPointF(22, 9), c);
        else
            Arrow(p, QPointF(positive ? 27 : 4, 14), QPointF(positive ? 5 : 26, 14), c);
        Label(p, y ? QStringLiteral("y") : (z ? QStringLiteral("z") : QStringLiteral("x")), QRectF(18, 18, 14, 14), c,
              12);
        break;
    }
    // Rotate: a turning arrow, the axis letter in the middle.
    case RotateLeftY:
    case RotateRightY:
    case RotateLeftX:
    case RotateRightX:
    case RotateLeftZ:
    case RotateRightZ: {
        const bool y = id == RotateLeftY || id == RotateRightY, z = id == RotateLeftZ || id == RotateRightZ;
        const bool left = id == RotateLeftY || id == RotateLeftX || id == RotateLeftZ;
        const QColor c = y ? kGreen : (z ? kBlue : kRed);
        CurvedArrow(p, !left, c);
        Label(p, y ? QStringLiteral("y") : (z ? QStringLiteral("z") : QStringLiteral("x")), QRectF(8, 8, 16, 16), kInk,
              12);
        break;
    }
    default: return false;
    }
    return true;
}

// The icons of the tools and the shapes made; false for another command.
bool DrawToolIcon(QPainter& p, int id)
{
    using namespace cmd;
    switch (id) {
    case TextureTool:
    case UpdateVertices: {
        p.setPen(QPen(kInk, 1));
        for (int i = 0; i < 4; ++i)
            for (int j = 0; j < 4; ++j) {
                p.setBrush((i + j) % 2 ? kFill : kPaper);
                p.drawRect(QRectF(4 + i * 6, 4 + j * 6, 6, 6));
            }
        if (id == TextureTool)
            Label(p, QStringLiteral("T"), QRectF(16, 16, 16, 16), kRed, 14);
        else
            Dots(p, {QPointF(4, 4), QPointF(28, 4), QPointF(28, 28), QPointF(4, 28)}, 3, kRed);
        break;
    }
    case CreateRectangle: Cube(p, QRectF(5, 7, 22, 18), true, kOrange); break;
    case CarveMesh:
        Cube(p, QRectF(3, 7, 22, 20), true, kFill);
        p.setPen(QPen(kRed, 2.5, Qt::DashLine));
        p.drawLine(QPointF(4, 28), QPointF(28, 4));
        break;
    case ExtrudeFace:
        p.setPen(QPen(kInk, 1.5));
        p.setBrush(kFill);
        p.drawRect(QRectF(4, 16, 14, 12));
        Arrow(p, QPointF(11, 16), QPointF(24, 5), kRed, 2.5);
        break;
    case CreateCylinder: {
        p.setPen(QPen(kInk, 1.5));
        p.setBrush(kOrange);
        p.drawRect(QRectF(7, 9, 18, 16));
        p.setBrush(kOrange.lighter(130));
        p.drawEllipse(QRectF(7, 5, 18, 8));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(7, 21, 18, 8), 180 * 16, 180 * 16);
        break;
    }
    case CreateDome:
        p.setPen(QPen(kInk, 1.5));
        p.setBrush(kOrange);
        p.drawChord(QRectF(4, 8, 24, 32), 0, 180 * 16);
        p.drawLine(QPointF(4, 24), QPointF(28, 24));
        break;
    default: return false;
    }
    return true;
}

void Draw(QPainter& p, int id)
{
    for (bool (*draw)(QPainter&, int) :
         {DrawFileIcon, DrawShapeIcon, DrawModeIcon, DrawViewIcon, DrawGridIcon, DrawMoveIcon, DrawToolIcon})
        if (draw(p, id))
            return;
    Label(p, QString::number(id), QRectF(0, 0, kSize, kSize), kInk, 9);
}

}  // namespace

QIcon CommandIcon(int id)
{
    static QHash<int, QIcon> cache;
    auto it = cache.find(id);
    if (it != cache.end())
        return *it;
    QPixmap pm(kSize, kSize);
    pm.fill(Qt::transparent);
    {
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        Draw(p, id);
    }
    QIcon icon(pm);
    cache.insert(id, icon);
    return icon;
}

}  // namespace orv
