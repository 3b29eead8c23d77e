#pragma once
// What a posting routine came to: success, or the first failure it met (a code and the text to
// tell the operator). The routines return it up the chain of calls and stop at the first
// failure, so the failure told is always the first one; the routine that owns the transaction
// rolls back and tells it, once.
//
//   Outcome r = till.WriteHistory();
//   if (!r) log(r.code(), r.text());
#include <string>
#include <utility>

#include "data/file_manager.h"

namespace tavlo {

// Codes of failures that are not the storage's: a document that does not add up (a program
// error), and a request the till turns down (a tab without an owner, a tab open at another till).
inline constexpr int kDocumentNotSound = 99;
inline constexpr int kRefused = 98;

class [[nodiscard]] Outcome {
public:
    Outcome() = default;  // success

    // A failure: a code other than ErrNone and its text (empty: the driver's text for the code).
    static Outcome failure(int code, std::string text = {}) {
        Outcome r;
        r.code_ = code != ErrNone ? code : ErrEngine;
        r.text_ = text.empty() ? storeErrorText(r.code_) : std::move(text);
        return r;
    }
    // A failed operation on a file: the file's own text when its last failure was this one.
    static Outcome failure(const FileManagerBase& file, int code) {
        return failure(code, file.errorCode() == code ? file.errorText() : storeErrorText(code));
    }

    explicit operator bool() const { return code_ == ErrNone; }
    int code() const { return code_; }
    const std::string& text() const { return text_; }

    // Whether the operator has been shown this failure already. A routine that tells a failure
    // in a box of its own marks it, so that the routines it returns through tell no more. The
    // mark travels with the failure: there is no "already shown" flag to keep and reset.
    bool told() const { return told_; }
    Outcome& markTold() {
        told_ = true;
        return *this;
    }

private:
    int code_ = ErrNone;
    std::string text_;
    bool told_ = false;
};

}  // namespace tavlo
