// Late-bound automation: create a server object by name, then invoke members on
// the objects it hands out by name, with a kind and arguments in order. The
// spreadsheet output talks to "Excel.Application" this way; which server answers
// is the platform's choice (our own workbook writer, or a recorder in tests).
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/error.h"

namespace tamsel {

// A refused call, or a server that cannot be started. The caller may catch it
// apart from other errors.
class AutomationError : public Error {
  public:
    using Error::Error;
};

enum class CallKind : std::uint8_t { Method, PropertyGet, PropertyPut };

class AutomationServer;

// An object a server handed out. The id means something only to its server.
struct AutoObject {
    AutomationServer* server = nullptr;
    std::uint64_t id = 0;
    explicit operator bool() const { return server != nullptr; }
};

// One argument of a call. Texts are Shift-JIS, file names native; both are only
// viewed: the caller keeps them alive for the call. A non-empty name makes it a
// named argument.
struct AutoArg {
    enum class Type : std::uint8_t { Integer, SmallInt, Text, Path };
    Type type = Type::Integer;
    std::int32_t number = 0;
    std::string_view text;
    std::string_view name;

    static AutoArg integer(std::int32_t v) { return {Type::Integer, v, {}, {}}; }
    static AutoArg smallInt(std::int16_t v) { return {Type::SmallInt, v, {}, {}}; }
    static AutoArg textOf(std::string_view s) { return {Type::Text, 0, s, {}}; }
    // A file name travels unconverted, so no name is lost to the text conversion.
    static AutoArg pathOf(std::string_view native) { return {Type::Path, 0, native, {}}; }
    static AutoArg named(std::string_view n, AutoArg v) {
        v.name = n;
        return v;
    }
};

// What a call gives back: an object, a value, or nothing.
struct AutoResult {
    enum class Type : std::uint8_t { Nothing, Object, Integer, Text };
    Type type = Type::Nothing;
    AutoObject object;
    std::int32_t number = 0;
    std::string text;  // Shift-JIS

    static AutoResult of(AutoObject o) {
        AutoResult r;
        r.type = Type::Object;
        r.object = o;
        return r;
    }
    static AutoResult ofInteger(std::int32_t v) {
        AutoResult r;
        r.type = Type::Integer;
        r.number = v;
        return r;
    }
};

// A server behind the dispatcher: answers calls on the objects it handed out.
class AutomationServer {
  public:
    virtual ~AutomationServer() = default;
    // The application object, handed out when the server is created.
    virtual std::uint64_t applicationId() const = 0;
    // Throws AutomationError when the call is refused.
    virtual AutoResult invoke(std::uint64_t id, std::string_view member, CallKind kind,
                              std::span<const AutoArg> args) = 0;
    // True once the server has quit; its objects are then gone.
    virtual bool ended() const = 0;
};

// The platform interface the logic calls.
class Dispatcher {
  public:
    virtual ~Dispatcher() = default;
    // Starts the server registered under name and returns its application
    // object; throws AutomationError when there is none or it cannot start.
    virtual AutoObject create(std::string_view name) = 0;
    // Throws AutomationError when the object does not exist or the call is refused.
    virtual AutoResult invoke(AutoObject object, std::string_view member, CallKind kind,
                              std::span<const AutoArg> args = {}) = 0;

    // The same with the arguments written in place.
    AutoResult invoke(AutoObject object, std::string_view member, CallKind kind,
                      std::initializer_list<AutoArg> args) {
        return invoke(object, member, kind, std::span<const AutoArg>(args.begin(), args.size()));
    }
    // A call whose result must be an object.
    AutoObject object(AutoObject of, std::string_view member, CallKind kind,
                      std::initializer_list<AutoArg> args = {});
};

// Servers living in this process, started by name.
class ServerRegistry : public Dispatcher {
  public:
    using Factory = std::function<std::unique_ptr<AutomationServer>()>;

    void add(std::string name, Factory factory);

    AutoObject create(std::string_view name) override;
    AutoResult invoke(AutoObject object, std::string_view member, CallKind kind,
                      std::span<const AutoArg> args = {}) override;
    using Dispatcher::invoke;

  private:
    std::vector<std::pair<std::string, Factory>> factories_;
    std::vector<std::unique_ptr<AutomationServer>> running_;
};

// Member names compare as automation servers compare them: ASCII letters
// without regard to case.
bool sameMember(std::string_view a, std::string_view b);

}  // namespace tamsel
