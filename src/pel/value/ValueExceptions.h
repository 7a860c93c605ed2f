#pragma once
// Failed lookups in the value tree. Every class reports the name "ValueException" and carries an
// empty message; the fields say what was looked for where (the pointers are not owned).

#include "pel/base/Exception.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace pel {

class Value;
class ListValue;
class AbstractDictionaryValue;

PEL_DECLARE_EXCEPTION(ValueException, RuntimeException, L"ValueException");

class InvalidTypeValueException : public ValueException {
public:
    InvalidTypeValueException(const Value* i_value, int32_t i_expectedType)
        : value(i_value), expectedType(i_expectedType) {}
    InvalidTypeValueException* clone() const override { return new InvalidTypeValueException(*this); }

    const Value* value;
    int32_t expectedType;
};

class DictionaryKeyNotFoundValueException : public ValueException {
public:
    DictionaryKeyNotFoundValueException(const AbstractDictionaryValue* i_dictionary, std::wstring i_key)
        : dictionary(i_dictionary), key(std::move(i_key)) {}
    DictionaryKeyNotFoundValueException* clone() const override {
        return new DictionaryKeyNotFoundValueException(*this);
    }

    const AbstractDictionaryValue* dictionary;
    std::wstring key;
};

class InvalidTypeInDictionaryValueException : public InvalidTypeValueException {
public:
    InvalidTypeInDictionaryValueException(const Value* i_value, int32_t i_expectedType,
                                          const AbstractDictionaryValue* i_dictionary, std::wstring i_key)
        : InvalidTypeValueException(i_value, i_expectedType), dictionary(i_dictionary), key(std::move(i_key)) {}
    InvalidTypeInDictionaryValueException* clone() const override {
        return new InvalidTypeInDictionaryValueException(*this);
    }

    const AbstractDictionaryValue* dictionary;
    std::wstring key;
};

class ListIndexNotFoundValueException : public ValueException {
public:
    ListIndexNotFoundValueException(const ListValue* i_list, size_t i_index) : list(i_list), index(i_index) {}
    ListIndexNotFoundValueException* clone() const override { return new ListIndexNotFoundValueException(*this); }

    const ListValue* list;
    size_t index;
};

class InvalidTypeInListValueException : public InvalidTypeValueException {
public:
    InvalidTypeInListValueException(const Value* i_value, int32_t i_expectedType, const ListValue* i_list,
                                    size_t i_index)
        : InvalidTypeValueException(i_value, i_expectedType), list(i_list), index(i_index) {}
    InvalidTypeInListValueException* clone() const override { return new InvalidTypeInListValueException(*this); }

    const ListValue* list;
    size_t index;
};

} // namespace pel
