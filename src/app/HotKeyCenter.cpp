#include "app/HotKeyCenter.h"

HotKeyCenter::HotKeyCenter(quint32 id, HotKeys *hotKeys, QObject *parent)
    : QObject(parent)
    , m_hotKeys(hotKeys)
    , m_hotKeyID(id)
{ }

HotKeyCenter::~HotKeyCenter()
{
    unregister();
}

bool HotKeyCenter::registerHotKey(quint32 keyCode, quint32 modifiers,
                                  std::function<void()> callback)
{
    unregister();
    m_callback = std::move(callback);
    if (!m_hotKeys)
        return false;
    m_handler = connect(m_hotKeys, &HotKeys::pressed, this, &HotKeyCenter::handlePress);
    m_regrabs = connect(m_hotKeys, &HotKeys::regrabbed, this, [this](int id, bool held) {
        if (id != int(m_hotKeyID))
            return;
        m_registered = held;
        m_lost = !held;
        emit registrationChanged(held);
    });
    // A failed grab leaves the handler connected until the next unregister; with nothing held
    // under our id it never fires.
    m_registered = m_hotKeys->grab(int(m_hotKeyID), keyCode, modifiers);
    return m_registered;
}

void HotKeyCenter::unregister()
{
    if ((m_registered || m_lost) && m_hotKeys)
        m_hotKeys->release(int(m_hotKeyID));
    m_registered = m_lost = false;
    for (QMetaObject::Connection *c : {&m_handler, &m_regrabs}) {
        if (*c)
            disconnect(*c);
        *c = {};
    }
    m_callback = nullptr;
}

void HotKeyCenter::handlePress(int id)
{
    if (id != int(m_hotKeyID))
        return;
    // The service delivers presses from the event loop, never inside its own dispatch, so the
    // action may open windows or re-register keys right here. A copy, so the action may
    // unregister or re-register this very centre.
    if (const std::function<void()> callback = m_callback)
        callback();
}
