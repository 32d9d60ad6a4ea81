#include "ui/menu/MenuSelection.h"

#include "platform/Logging.h"

MenuSelection::MenuSelection(QObject *parent)
    : QObject(parent)
{ }

void MenuSelection::select(const QString &category, const QString &item, const QString &icon,
                           const QString &detail)
{
    if (category == m_category && item == m_item && icon == m_icon && detail == m_detail)
        return;
    m_category = category;
    m_item = item;
    m_icon = icon;
    m_detail = detail;
    qCDebug(lcMenu) << "selected" << category << "/" << item;
    emit changed();
}
