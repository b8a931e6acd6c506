#pragma once
// The one failure type that crosses every boundary of the program: a numeric
// code, a description and, where the raiser names itself, a source (the
// application title and the routine, "Vantor.clsInit!IniLire").
#include <QString>
#include <cstdint>
#include <exception>
#include <string>

namespace vantor {

class Failure : public std::exception {
public:
    Failure(std::int32_t code, QString description, QString source = QString())
        : code_(code),
          description_(std::move(description)),
          source_(std::move(source)),
          what_(description_.toStdString()) {}

    std::int32_t code() const noexcept { return code_; }
    const QString& description() const noexcept { return description_; }
    // Who raised it; empty when the raiser does not say.
    const QString& source() const noexcept { return source_; }
    const char* what() const noexcept override { return what_.c_str(); }

private:
    std::int32_t code_;
    QString description_;
    QString source_;
    std::string what_;
};

}  // namespace vantor
