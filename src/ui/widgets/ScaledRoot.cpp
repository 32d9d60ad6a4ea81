#include "ui/widgets/ScaledRoot.h"

#include <QGraphicsProxyWidget>
#include <QGraphicsScene>
#include <QGraphicsView>

#include <cmath>

// The content runs inside a graphics scene through a proxy: that is how Qt scales a whole
// widget, its children and their input together, where painting a widget into a scaled painter
// would leave clicks, hover and tooltips at the unscaled positions.
ScaledRoot::ScaledRoot(QWidget *content, const QSizeF &size, double scale, QWidget *parent)
    : QWidget(parent)
    , m_content(content)
    , m_size(size)
    , m_scale(scale)
    , m_scene(new QGraphicsScene(this))
    , m_view(new QGraphicsView(m_scene, this))
    , m_proxy(nullptr)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setAutoFillBackground(false);

    content->setAttribute(Qt::WA_TranslucentBackground);
    content->setAttribute(Qt::WA_NoSystemBackground);
    content->setAutoFillBackground(false);
    content->resize(QSizeF(size).toSize());
    m_proxy = m_scene->addWidget(content);
    m_proxy->setPos(0, 0);
    m_proxy->setTransformOriginPoint(0, 0);
    m_proxy->setScale(scale);

    const QSizeF scaled = size * scale;
    m_scene->setSceneRect(0, 0, scaled.width(), scaled.height());
    m_scene->setBackgroundBrush(Qt::NoBrush);

    m_view->setFrameShape(QFrame::NoFrame);
    m_view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_view->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_view->setBackgroundBrush(Qt::NoBrush);
    m_view->setStyleSheet(QStringLiteral("background: transparent; border: none;"));
    m_view->viewport()->setAutoFillBackground(false);
    m_view->setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing
                           | QPainter::SmoothPixmapTransform);

    resize(sizeHint());
    m_view->setGeometry(rect());
}

ScaledRoot::~ScaledRoot() = default;

QSize ScaledRoot::sizeHint() const
{
    return {int(std::lround(m_size.width() * m_scale)),
            int(std::lround(m_size.height() * m_scale))};
}

void ScaledRoot::resizeEvent(QResizeEvent *)
{
    m_view->setGeometry(rect());
}
