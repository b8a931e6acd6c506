#pragma once
// The one failure type that crosses every boundary of the program: a numeric
// code and a description, as the mail layer and the platform report them.
#include <QString>
#include <cstdint>
#include <exception>
#include <string>

namespace vantor {

class Failure : public std::exception {
public:
    Failure(std::int32_t code, QString description)
        : code_(code), description_(std::move(description)), what_(description_.toStdString()) {}

    std::int32_t code() const noexcept { return code_; }
    const QString& description() const noexcept { return description_; }
    const char* what() const noexcept override { return what_.c_str(); }

private:
    std::int32_t code_;
    QString description_;
    std::string what_;
};

}  // namespace vantor
