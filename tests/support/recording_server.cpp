#include "support/recording_server.h"

#include <map>
#include <memory>

#include "text/sjis.h"

namespace tamsel {

namespace {

// Text shown with its control characters and quotes escaped; double-byte
// characters stay whole (their second byte may be a backslash).
std::string quoted(std::string_view s) {
    std::string out = "\"";
    forEachChar(s, [&](std::size_t pos, std::size_t len) {
        unsigned char c = static_cast<unsigned char>(s[pos]);
        if (len == 2) {
            out.append(s.substr(pos, 2));
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c == 0x7F) {
            static const char hex[] = "0123456789ABCDEF";
            out += "\\x";
            out += hex[c >> 4];
            out += hex[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    });
    return out + "\"";
}

std::string rawValue(const AutoArg& a) {
    bool isText = a.type == AutoArg::Type::Text || a.type == AutoArg::Type::Path;
    return isText ? std::string(a.text) : std::to_string(a.number);
}

const char* kindName(CallKind k) {
    switch (k) {
        case CallKind::Method:
            return "method";
        case CallKind::PropertyGet:
            return "get";
        case CallKind::PropertyPut:
            return "put";
    }
    return "?";
}

class RecordingServer : public AutomationServer {
  public:
    RecordingServer(std::string name, CallRecord& record) : record_(record) {
        names_.push_back(std::move(name));
    }
    std::uint64_t applicationId() const override { return 0; }
    bool ended() const override { return ended_; }

    AutoResult invoke(std::uint64_t id, std::string_view member, CallKind kind,
                      std::span<const AutoArg> args) override {
        std::string line = names_.at(id) + ": " + kindName(kind) + " " + std::string(member) + "(";
        std::string name = std::string(member);
        for (std::size_t i = 0; i < args.size(); ++i) {
            line += (i ? ", " : "") + describeArg(args[i]);
            name += (i ? "," : "(") + rawValue(args[i]);
        }
        if (!args.empty()) name += ")";
        line += ")";
        if (refuse(line)) throw AutomationError(sj("呼び出しが拒否されました: ") + line);
        if (kind == CallKind::Method && sameMember(member, "Quit")) ended_ = true;
        if (kind == CallKind::PropertyPut) return {};
        auto [it, added] = ids_.try_emplace(name, names_.size());
        if (added) names_.push_back(name);
        return AutoResult::of(AutoObject{this, it->second});
    }

    // Records a call; true when it is the one to refuse.
    static bool record(CallRecord& r, std::string line) {
        bool refused = static_cast<int>(r.lines.size()) + 1 == r.refuseCall;
        r.lines.push_back(std::move(line) + (refused ? "  <- refused" : ""));
        return refused;
    }

  private:
    bool refuse(const std::string& line) { return record(record_, line); }

    CallRecord& record_;
    std::vector<std::string> names_;
    std::map<std::string, std::uint64_t> ids_;
    bool ended_ = false;
};

}  // namespace

std::string describeArg(const AutoArg& a) {
    std::string named = a.name.empty() ? "" : std::string(a.name) + ":=";
    switch (a.type) {
        case AutoArg::Type::Integer:
            return named + "int " + std::to_string(a.number);
        case AutoArg::Type::SmallInt:
            return named + "small " + std::to_string(a.number);
        case AutoArg::Type::Text:
            return named + "text " + quoted(a.text);
        case AutoArg::Type::Path:
            return named + "path " + quoted(a.text);
    }
    return named;
}

void addRecordingServer(ServerRegistry& registry, std::string name, CallRecord& record) {
    registry.add(name, [name, &record]() -> std::unique_ptr<AutomationServer> {
        if (RecordingServer::record(record, "create " + name))
            throw AutomationError(sj("オートメーション・サーバーを起動できません: ") + name);
        return std::make_unique<RecordingServer>(name, record);
    });
}

}  // namespace tamsel
