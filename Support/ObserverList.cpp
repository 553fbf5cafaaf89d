#include "Support/ObserverList.h"

#include <vector>

namespace corvanta {

ObserverList::Token ObserverList::add(const QString& name, QObject* context, Handler handler)
{
    const Token token = m_next++;
    m_observers.emplace(token, Observer{name, QPointer<QObject>(context), context != nullptr, std::move(handler)});
    return token;
}

void ObserverList::deliver(const QString& name, const QVariantMap& userInfo)
{
    // Snapshot first: a handler may add or remove observers.
    std::vector<Token> matching;
    for (auto it = m_observers.begin(); it != m_observers.end();) {
        if (it->second.hasContext && !it->second.context) {
            it = m_observers.erase(it);
            continue;
        }
        if (it->second.name == name)
            matching.push_back(it->first);
        ++it;
    }
    for (Token token : matching) {
        auto it = m_observers.find(token);
        if (it == m_observers.end() || (it->second.hasContext && !it->second.context))
            continue;
        const Handler handler = it->second.handler;
        handler(userInfo);
    }
}

} // namespace corvanta
