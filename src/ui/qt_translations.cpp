#include "ui/qt_translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include <memory>

namespace ostrand {
namespace {

// The catalogue of Qt's base module; Debian installs it with Qt's
// translations package.
constexpr const char* kChineseCatalogue = "qtbase_zh_CN";

// The translator in force; null for English.
std::unique_ptr<QTranslator>& Current() {
    static std::unique_ptr<QTranslator> translator;
    return translator;
}

}  // namespace

bool ApplyQtTranslations(Language language) {
    std::unique_ptr<QTranslator>& current = Current();
    const bool chinese = language == Language::Chinese;
    if (current && chinese) return true;
    if (current) {
        QCoreApplication::removeTranslator(current.get());
        current.reset();
    }
    if (!chinese) return true;
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(QString::fromLatin1(kChineseCatalogue), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        return false;
    }
    QCoreApplication::installTranslator(translator.get());
    current = std::move(translator);
    return true;
}

}  // namespace ostrand
