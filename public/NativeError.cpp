#include "NativeError.h"

#include "TextConv.h"

ENativeError::ENativeError(std::u16string message)
    : message_(std::move(message)), what_(Utf16ToUtf8(message_)) {}

ENativeError::~ENativeError() = default;

void RaiseAssertion(std::u16string_view message) {
  throw ENativeError(std::u16string(message));
}
