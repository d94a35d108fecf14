#include "platform/batch/batch_ui.h"

#include "platform/error.h"
#include "text/sjis.h"

namespace tamsel {

std::optional<std::string> BatchUi::nextFile(const FileDialogRequest& r) {
    dialogs.push_back(r);
    if (fileAnswers.empty()) return std::nullopt;
    auto a = fileAnswers.front();
    fileAnswers.pop_front();
    return a;
}

std::optional<std::string> BatchUi::openFileDialog(const FileDialogRequest& r) {
    return nextFile(r);
}
std::optional<std::string> BatchUi::saveFileDialog(const FileDialogRequest& r) {
    return nextFile(r);
}

std::optional<FontSpec> BatchUi::fontDialog(const FontSpec& current) {
    (void)current;
    if (fontAnswers.empty()) return std::nullopt;
    auto a = fontAnswers.front();
    fontAnswers.pop_front();
    return a;
}

SaveAnswer BatchUi::askToSave(const std::string& question) {
    questions.push_back(question);
    if (saveAnswers.empty()) return SaveAnswer::Cancel;
    SaveAnswer a = saveAnswers.front();
    saveAnswers.pop_front();
    return a;
}

bool BatchUi::askToAddAgain(const std::string& question, std::int64_t count) {
    questions.push_back(question);
    messages.push_back(msg("%1 件の測定は既に表にありましたが、もう一度加えました。", count));
    return true;
}

std::unique_ptr<PrinterSurface> BatchUi::printDialog() {
    ++printDialogs;
    if (printAnswers.empty() || !printAnswers.front()) {
        if (!printAnswers.empty()) printAnswers.pop_front();
        return nullptr;
    }
    PrintTarget target = *printAnswers.front();
    printAnswers.pop_front();
    if (!printers) throw Error(sj("このプログラムは印刷できません（Qt なしの構成）"));
    return printers->open(target);
}

std::optional<std::vector<std::string>> BatchUi::fieldsDialog(const FieldsDialogRequest& r) {
    fieldsDialogs.push_back(r);
    if (fieldsAnswers.empty()) return std::nullopt;
    auto a = fieldsAnswers.front();
    fieldsAnswers.pop_front();
    if (!a) return std::nullopt;
    std::vector<std::string> texts;
    for (std::size_t k = 0; k < r.fields.size(); ++k)
        texts.push_back(k < a->size() && (*a)[k] ? *(*a)[k] : r.fields[k].text);
    return texts;
}

}  // namespace tamsel
