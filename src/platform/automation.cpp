#include "platform/automation.h"

#include <algorithm>

#include "text/sjis.h"

namespace tamsel {

bool sameMember(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

AutoObject Dispatcher::object(AutoObject of, std::string_view member, CallKind kind,
                              std::initializer_list<AutoArg> args) {
    AutoResult r = invoke(of, member, kind, args);
    if (r.type != AutoResult::Type::Object || !r.object)
        throw AutomationError(
            msg("オートメーションの呼び出しがオブジェクトを返しませんでした: %1", member));
    return r.object;
}

void ServerRegistry::add(std::string name, Factory factory) {
    factories_.emplace_back(std::move(name), std::move(factory));
}

AutoObject ServerRegistry::create(std::string_view name) {
    auto f = std::find_if(factories_.begin(), factories_.end(),
                          [&](const auto& e) { return sameMember(e.first, name); });
    if (f == factories_.end())
        throw AutomationError(msg("オートメーション・サーバーがありません: %1", name));
    std::unique_ptr<AutomationServer> server = f->second();
    if (!server) throw AutomationError(msg("オートメーション・サーバーを起動できません: %1", name));
    AutoObject app{server.get(), server->applicationId()};
    running_.push_back(std::move(server));
    return app;
}

AutoResult ServerRegistry::invoke(AutoObject object, std::string_view member, CallKind kind,
                                  std::span<const AutoArg> args) {
    auto s = std::find_if(running_.begin(), running_.end(),
                          [&](const auto& p) { return p.get() == object.server; });
    if (!object || s == running_.end())
        throw AutomationError(msg("オートメーションのオブジェクトがありません: %1", member));
    AutomationServer& server = **s;
    try {
        AutoResult r = server.invoke(object.id, member, kind, args);
        if (server.ended()) running_.erase(s);
        return r;
    } catch (...) {
        if (server.ended()) running_.erase(s);
        throw;
    }
}

}  // namespace tamsel
