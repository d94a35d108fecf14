#include "platform/xlsx/workbook_server.h"

#include <unistd.h>
#include <xlsxwriter.h>

#include <array>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <vector>

#include "io/csv.h"
#include "io/safe_file.h"
#include "text/sjis.h"

namespace tamsel {

namespace {

constexpr std::uint64_t AppId = 1, BooksId = 2, BookId = 3, SheetId = 4;
constexpr std::uint64_t CellTag = 1ull << 63;
constexpr int ColBits = 20;

// The server's alignment numbers.
constexpr int XlGeneral = 1, XlTop = -4160, XlCenter = -4108, XlBottom = -4107, XlLeft = -4131,
              XlRight = -4152;

constexpr std::size_t MaxCellChars = 32767;  // the most a spreadsheet cell holds
constexpr std::size_t RowBufferSize = 1 << 20;
constexpr double LineHeight = 15.0;  // points, one line of the default font
// Above this many bytes of sheet text the zip needs its 64-bit form; below it
// the plain form is kept, which every spreadsheet program reads.
constexpr std::uint64_t Zip64Threshold = 3'500'000'000ull;
constexpr std::uint64_t CellMarkup = 64;  // bytes of markup around one cell's value

[[noreturn]] void refuse(const std::string& what) {
    throw AutomationError(msg("ブックへの呼び出しを受け付けません: %1", what));
}

bool isAscii(std::string_view s) {
    for (char c : s)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

std::size_t utf8Length(std::string_view s) {
    std::size_t n = 0;
    for (char c : s)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++n;
    return n;
}

std::string systemTempFolder() {
    std::error_code ec;
    auto p = std::filesystem::temp_directory_path(ec);
    return ec ? std::string("/tmp") : p.string();
}

// One cell of the row being filled.
struct PendingCell {
    enum class Kind : std::uint8_t { None, Text, Number };
    Kind kind = Kind::None;
    bool touched = false;
    bool wrap = false;
    std::uint8_t horizontal = LXW_ALIGN_NONE;
    std::uint8_t vertical = LXW_ALIGN_NONE;
    double number = 0;
    std::int32_t lines = 1;
    std::string text;  // UTF-8
};

class WorkbookServer : public AutomationServer {
  public:
    explicit WorkbookServer(std::string tempFolder)
        : tempFolder_(tempFolder.empty() ? systemTempFolder() : std::move(tempFolder)) {}
    ~WorkbookServer() override { discard(); }

    std::uint64_t applicationId() const override { return AppId; }
    bool ended() const override { return quit_; }

    AutoResult invoke(std::uint64_t id, std::string_view member, CallKind kind,
                      std::span<const AutoArg> args) override {
        if (quit_) refuse(sj("終了したサーバー"));
        if (id & CellTag) return cellCall(id, member, kind, args);
        bool fetch = kind == CallKind::Method || kind == CallKind::PropertyGet;
        switch (id) {
            case AppId:
                if (fetch && sameMember(member, "Workbooks") && args.empty())
                    return AutoResult::of({this, BooksId});
                if (kind == CallKind::PropertyGet && sameMember(member, "Visible") && args.empty())
                    return AutoResult::ofInteger(0);
                if (kind == CallKind::Method && sameMember(member, "Quit") && args.empty()) {
                    discard();
                    quit_ = true;
                    return {};
                }
                break;
            case BooksId:
                if (fetch && sameMember(member, "Add") && args.empty()) return add();
                break;
            case BookId:
                if (!book_) refuse(sj("閉じたブック"));
                if (fetch && sameMember(member, "WorkSheets") && args.size() == 1 &&
                    isInteger(args[0]) && args[0].name.empty()) {
                    if (args[0].number != 1) refuse(sj("ワークシートは 1 枚だけです"));
                    return AutoResult::of({this, SheetId});
                }
                if (kind == CallKind::Method && sameMember(member, "SaveAs")) {
                    saveAs(args);
                    return {};
                }
                if (kind == CallKind::Method && sameMember(member, "close") && args.empty()) {
                    discard();
                    return {};
                }
                break;
            case SheetId:
                if (!book_) refuse(sj("閉じたブック"));
                if (fetch && sameMember(member, "Cells") && args.size() == 2) return cells(args);
                break;
        }
        refuse(std::string(member));
    }

  private:
    static bool isInteger(const AutoArg& a) {
        return a.type == AutoArg::Type::Integer || a.type == AutoArg::Type::SmallInt;
    }

    AutoResult add() {
        if (book_) refuse(sj("ブックは 1 冊だけ開けます"));
        std::string pattern = tempFolder_ + "/tamsel-workbook-XXXXXX";
        int fd = ::mkstemp(pattern.data());
        if (fd < 0) refuse(msg("作業ファイルを作れません: %1", fromUtf8(tempFolder_)));
        ::close(fd);
        lxw_workbook_options options{};
        options.constant_memory = LXW_TRUE;
        options.tmpdir = tempFolder_.data();
        options.use_zip64 = LXW_FALSE;
        workbook_ = workbook_new_opt(pattern.c_str(), &options);
        worksheet_ = workbook_ ? workbook_add_worksheet(workbook_, nullptr) : nullptr;
        if (!worksheet_) {
            if (workbook_) lxw_workbook_free(workbook_);
            workbook_ = nullptr;
            std::remove(pattern.c_str());
            refuse(sj("ブックを作れません"));
        }
        // The streamed rows go through a large buffer: the library's own is a few
        // kilobytes, and a write call per few cells costs more than the cells.
        if (worksheet_->optimize_tmpfile) {
            rowBuffer_.resize(RowBufferSize);
            std::setvbuf(worksheet_->optimize_tmpfile, rowBuffer_.data(), _IOFBF,
                         rowBuffer_.size());
        }
        workPath_ = std::move(pattern);
        book_ = true;
        saved_ = false;
        row_ = 0;
        sheetBytes_ = 0;
        formats_.fill(nullptr);
        return AutoResult::of({this, BookId});
    }

    AutoResult cells(std::span<const AutoArg> args) {
        if (!isInteger(args[0]) || !isInteger(args[1]) || !args[0].name.empty() ||
            !args[1].name.empty())
            refuse("Cells");
        std::int32_t row = args[0].number, col = args[1].number;
        if (row < 1 || row > LXW_ROW_MAX || col < 1 || col > LXW_COL_MAX)
            refuse(msg("セルの位置が範囲外です（行 %1、列 %2）", row, col));
        reachRow(row);
        return AutoResult::of({this, CellTag | (static_cast<std::uint64_t>(row) << ColBits) |
                                         static_cast<std::uint64_t>(col)});
    }

    // Moves the held row forward to row; an earlier row is refused.
    void reachRow(std::int32_t row) {
        if (saved_) refuse(sj("保存したブックには書き込めません"));
        if (row < row_) refuse(msg("前の行には戻れません（行 %1）", row));
        if (row > row_) {
            flushRow();
            row_ = row;
        }
    }

    AutoResult cellCall(std::uint64_t id, std::string_view member, CallKind kind,
                        std::span<const AutoArg> args) {
        if (!book_) refuse(sj("閉じたブック"));
        auto row = static_cast<std::int32_t>((id & ~CellTag) >> ColBits);
        auto col = static_cast<std::int32_t>(id & ((1u << ColBits) - 1));
        if (kind != CallKind::PropertyPut || args.size() != 1 || !args[0].name.empty())
            refuse(std::string(member));
        reachRow(row);
        if (static_cast<std::size_t>(col) > pending_.size()) pending_.resize(col);
        PendingCell& c = pending_[col - 1];
        const AutoArg& a = args[0];
        if (sameMember(member, "Value")) {
            if (isInteger(a)) {
                c.kind = PendingCell::Kind::Number;
                c.number = a.number;
                c.text.clear();
            } else if (a.type == AutoArg::Type::Text) {
                setText(c, a.text);
            } else {
                refuse("Value");
            }
        } else if (sameMember(member, "HorizontalAlignment") && isInteger(a)) {
            c.horizontal = horizontalOf(a.number);
        } else if (sameMember(member, "VerticalAlignment") && isInteger(a)) {
            c.vertical = verticalOf(a.number);
        } else {
            refuse(std::string(member));
        }
        c.touched = true;
        if (col > lastCol_) lastCol_ = col;
        return {};
    }

    static std::uint8_t horizontalOf(int v) {
        switch (v) {
            case XlGeneral:
                return LXW_ALIGN_NONE;
            case XlLeft:
                return LXW_ALIGN_LEFT;
            case XlCenter:
                return LXW_ALIGN_CENTER;
            case XlRight:
                return LXW_ALIGN_RIGHT;
        }
        refuse(msg("HorizontalAlignment %1", v));
    }
    static std::uint8_t verticalOf(int v) {
        switch (v) {
            case XlTop:
                return LXW_ALIGN_VERTICAL_TOP;
            case XlCenter:
                return LXW_ALIGN_VERTICAL_CENTER;
            case XlBottom:
                return LXW_ALIGN_VERTICAL_BOTTOM;
        }
        refuse(msg("VerticalAlignment %1", v));
    }

    // A text is read as a spreadsheet program reads what is typed: a number is
    // a number, a leading apostrophe marks the rest as text. Dates are not
    // guessed: "5236-12" stays a text.
    void setText(PendingCell& c, std::string_view sjis) {
        if (!sjis.empty() && sjis.front() == '\'') {
            sjis.remove_prefix(1);
        } else if (auto n = plainNumber(sjis)) {
            c.kind = PendingCell::Kind::Number;
            c.number = *n;
            c.text.clear();
            c.lines = 1;
            c.wrap = false;
            return;
        }
        if (isAscii(sjis))
            c.text.assign(sjis);
        else
            c.text = toUtf8(sjis);
        if (utf8Length(c.text) > MaxCellChars) refuse(sj("セルの文字列が長すぎます"));
        c.kind = PendingCell::Kind::Text;
        c.lines = 1;
        for (char ch : c.text)
            if (ch == '\n') ++c.lines;
        c.wrap = c.lines > 1;
    }

    lxw_format* formatOf(const PendingCell& c) {
        if (c.horizontal == LXW_ALIGN_NONE && c.vertical == LXW_ALIGN_NONE && !c.wrap)
            return nullptr;
        // Alignments are below 16, so the key stays below 512.
        std::size_t key = (c.horizontal & 15u) << 5 | (c.vertical & 15u) << 1 | (c.wrap ? 1u : 0u);
        lxw_format*& f = formats_[key];
        if (!f) {
            f = workbook_add_format(workbook_);
            if (!f) refuse(sj("書式を作れません"));
            if (c.horizontal != LXW_ALIGN_NONE) format_set_align(f, c.horizontal);
            if (c.vertical != LXW_ALIGN_NONE) format_set_align(f, c.vertical);
            if (c.wrap) format_set_text_wrap(f);
        }
        return f;
    }

    // Writes the held row, lowest column first, and empties it.
    void flushRow() {
        if (row_ == 0 || lastCol_ == 0) return;
        auto r = static_cast<lxw_row_t>(row_ - 1);
        std::int32_t lines = 1;
        for (std::int32_t col = 0; col < lastCol_; ++col)
            if (pending_[col].touched && pending_[col].wrap && pending_[col].lines > lines)
                lines = pending_[col].lines;
        if (lines > 1) check(worksheet_set_row(worksheet_, r, LineHeight * lines, nullptr));
        for (std::int32_t col = 0; col < lastCol_; ++col) {
            PendingCell& c = pending_[col];
            if (!c.touched) continue;
            lxw_format* f = formatOf(c);
            auto k = static_cast<lxw_col_t>(col);
            if (c.kind == PendingCell::Kind::Number)
                check(worksheet_write_number(worksheet_, r, k, c.number, f));
            else if (c.kind == PendingCell::Kind::Text && !c.text.empty())
                check(worksheet_write_string(worksheet_, r, k, c.text.c_str(), f));
            else if (f)
                check(worksheet_write_blank(worksheet_, r, k, f));
            sheetBytes_ += CellMarkup + c.text.size();
            c.kind = PendingCell::Kind::None;
            c.touched = c.wrap = false;
            c.horizontal = c.vertical = LXW_ALIGN_NONE;
            c.lines = 1;
            c.text.clear();  // keeps its room for the next row
        }
        lastCol_ = 0;
    }

    static void check(lxw_error e) {
        if (e != LXW_NO_ERROR) refuse(std::string(lxw_strerror(e)));
    }

    // Writes the workbook beside the target and renames it over the target only
    // when it is complete.
    void saveAs(std::span<const AutoArg> args) {
        const AutoArg* name = nullptr;
        for (const AutoArg& a : args)
            if ((a.name.empty() && &a == &args[0]) || sameMember(a.name, "Filename"))
                name = &a;
            else
                refuse(msg("SaveAs の引数: %1", a.name));
        if (!name || name->text.empty() ||
            (name->type != AutoArg::Type::Path && name->type != AutoArg::Type::Text))
            refuse(sj("SaveAs にファイル名がありません"));
        std::string target =
            name->type == AutoArg::Type::Path ? std::string(name->text) : toUtf8(name->text);
        if (!saved_) {
            flushRow();
            // The zip's plain form cannot hold a sheet above 4 GB.
            if (sheetBytes_ > Zip64Threshold) workbook_->options.use_zip64 = LXW_TRUE;
            lxw_error e = workbook_close(workbook_);
            workbook_ = nullptr;
            worksheet_ = nullptr;
            saved_ = true;
            if (e != LXW_NO_ERROR) {
                discard();
                throw AutomationError(msg("ブックを書き出せません: %1", lxw_strerror(e)));
            }
        }
        copyTo(target);
    }

    void copyTo(const std::string& target) {
        try {
            std::FILE* in = std::fopen(workPath_.c_str(), "rb");
            if (!in) throw Error(msg("作業ファイルが読めません: %1", fromUtf8(workPath_)));
            struct Closer {
                std::FILE* f;
                ~Closer() { std::fclose(f); }
            } closer{in};
            SafeFileWriter out(target);
            std::vector<char> buffer(1 << 20);
            while (std::size_t n = std::fread(buffer.data(), 1, buffer.size(), in))
                out.write(std::string_view(buffer.data(), n));
            if (std::ferror(in))
                throw Error(msg("作業ファイルが読めません: %1", fromUtf8(workPath_)));
            out.commit();
        } catch (const AutomationError&) {
            throw;
        } catch (const Error& e) {
            throw AutomationError(e.what());
        }
    }

    // Drops the open workbook, saved or not, with its working files.
    void discard() noexcept {
        if (workbook_) lxw_workbook_free(workbook_);
        workbook_ = nullptr;
        worksheet_ = nullptr;
        if (!workPath_.empty()) std::remove(workPath_.c_str());
        workPath_.clear();
        book_ = false;
        pending_.clear();
        lastCol_ = 0;
    }

    std::string tempFolder_;
    std::string workPath_;  // the workbook as libxlsxwriter writes it
    lxw_workbook* workbook_ = nullptr;
    lxw_worksheet* worksheet_ = nullptr;
    std::array<lxw_format*, 512> formats_{};
    std::vector<PendingCell> pending_;  // the held row, by column
    std::vector<char> rowBuffer_;       // outlives the workbook's files
    std::int32_t lastCol_ = 0;
    std::int32_t row_ = 0;
    std::uint64_t sheetBytes_ = 0;
    bool book_ = false;
    bool saved_ = false;
    bool quit_ = false;
};

}  // namespace

std::unique_ptr<AutomationServer> startWorkbookServer(const std::string& tempFolder) {
    return std::make_unique<WorkbookServer>(tempFolder);
}

void addWorkbookServer(ServerRegistry& registry, std::string tempFolder) {
    registry.add(ExcelApplication,
                 [folder = std::move(tempFolder)] { return startWorkbookServer(folder); });
}

}  // namespace tamsel
