#include "ui/widgets/ReadoutViewFactory.h"

#include <QWidget>

void ReadoutViewFactory::add(HUDWidgetID id, Maker make)
{
    m_makers.insert(id, std::move(make));
}

QWidget *ReadoutViewFactory::make(HUDWidgetID id, QWidget *parent) const
{
    const auto found = m_makers.constFind(id);
    if (found == m_makers.constEnd() || !*found)
        return nullptr;
    QWidget *view = (*found)(parent);
    if (view)
        view->resize(view->sizeHint());
    return view;
}
