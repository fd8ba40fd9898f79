#include "simulated_desktop.h"

namespace platform {

qsizetype SimulatedDesktop::indexOf(WindowHandle window) const
{
    for (qsizetype i = 0; i < m_windows.size(); ++i)
        if (m_windows[i].handle == window)
            return i;
    return -1;
}

bool SimulatedDesktop::isKeyHeld(quint32 virtualKey)
{
    return m_held.contains(virtualKey);
}

void SimulatedDesktop::sendInput(const QList<KeyInput> &inputs)
{
    for (const KeyInput &k : inputs) {
        if (!k.keyUp)
            m_held.insert(k.virtualKey);
        else if (!m_stuck.contains(k.virtualKey))
            m_held.remove(k.virtualKey);
    }
    m_sent.append({inputs, m_foreground});
}

bool SimulatedDesktop::isWindow(WindowHandle window)
{
    return window != 0 && indexOf(window) >= 0;
}

bool SimulatedDesktop::isWindowVisible(WindowHandle window)
{
    const qsizetype i = indexOf(window);
    return i >= 0 && m_windows[i].visible;
}

bool SimulatedDesktop::isIconic(WindowHandle window)
{
    const qsizetype i = indexOf(window);
    return i >= 0 && m_windows[i].iconic;
}

WindowHandle SimulatedDesktop::windowAbove(WindowHandle window)
{
    const qsizetype i = indexOf(window);
    return i >= 0 && i + 1 < m_windows.size() ? m_windows[i + 1].handle : 0;
}

void SimulatedDesktop::restoreWindow(WindowHandle window)
{
    m_actions.append(QStringLiteral("restore %1").arg(window));
    const qsizetype i = indexOf(window);
    if (i >= 0)
        m_windows[i].iconic = false;
}

void SimulatedDesktop::bringToFront(WindowHandle window)
{
    m_actions.append(QStringLiteral("front %1").arg(window));
    const qsizetype i = indexOf(window);
    if (i < 0)
        return;
    m_windows.append(m_windows.takeAt(i));
    m_foreground = window;
}

QString SimulatedDesktop::folderOfWindow(WindowHandle window)
{
    return m_folders.value(window);
}

int SimulatedDesktop::copyFiles(const QString &sources, const QString &destination, bool &aborted)
{
    QString shown = sources;
    m_actions.append(QStringLiteral("copy %1 -> %2").arg(shown.replace(QChar(0), QLatin1Char('|')),
                                                         QString(destination).replace(QChar(0), QLatin1Char('|'))));
    aborted = m_copyAborted;
    return m_copyResult;
}

void SimulatedDesktop::addWindow(WindowHandle window, bool visible, bool iconic)
{
    closeWindow(window);
    m_windows.append({window, visible, iconic});
}

void SimulatedDesktop::closeWindow(WindowHandle window)
{
    const qsizetype i = indexOf(window);
    if (i >= 0)
        m_windows.removeAt(i);
    if (m_foreground == window)
        m_foreground = 0;
}

void SimulatedDesktop::setIconic(WindowHandle window, bool iconic)
{
    const qsizetype i = indexOf(window);
    if (i >= 0)
        m_windows[i].iconic = iconic;
}

void SimulatedDesktop::setKeyHeld(quint32 virtualKey, bool held, bool stuck)
{
    m_stuck.remove(virtualKey);
    if (!held) {
        m_held.remove(virtualKey);
        return;
    }
    m_held.insert(virtualKey);
    if (stuck)
        m_stuck.insert(virtualKey);
}

void SimulatedDesktop::setCopyResult(int result, bool aborted)
{
    m_copyResult = result;
    m_copyAborted = aborted;
}

QList<WindowHandle> SimulatedDesktop::stacking() const
{
    QList<WindowHandle> order;
    for (const Window &w : m_windows)
        order.append(w.handle);
    return order;
}

} // namespace platform
