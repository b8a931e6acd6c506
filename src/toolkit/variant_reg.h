#pragma once
// What the registry operations of Cls_initreg answer: nothing (the path was
// refused, so no registry call was made, or the operation answers nothing),
// a 32-bit number, or a text ("Error" when a read failed).
#include <QString>
#include <cstdint>
#include <variant>

namespace vantor {

class VariantReg {
  public:
    VariantReg() = default;
    explicit VariantReg(std::int32_t number) : value_(number) {}
    explicit VariantReg(QString text) : value_(std::move(text)) {}

    bool isEmpty() const { return std::holds_alternative<std::monostate>(value_); }
    bool isNumber() const { return std::holds_alternative<std::int32_t>(value_); }
    bool isText() const { return std::holds_alternative<QString>(value_); }
    // The number, 0 when it holds none.
    std::int32_t number() const { return isNumber() ? std::get<std::int32_t>(value_) : 0; }
    // The text, "" when it holds none.
    QString text() const { return isText() ? std::get<QString>(value_) : QString(); }

    bool operator==(const VariantReg&) const = default;

  private:
    std::variant<std::monostate, std::int32_t, QString> value_;
};

}  // namespace vantor
