#include "ExceptionText.h"

#include <cstdlib>
#include <cxxabi.h>
#include <exception>
#include <memory>
#include <typeinfo>

namespace fw {

QString currentExceptionText() {
    try {
        throw;
    } catch (const std::exception& e) {
        return QString::fromLocal8Bit(e.what());
    } catch (...) {
        const std::type_info* type = abi::__cxa_current_exception_type();
        if (!type)
            return QStringLiteral("unknown exception");
        int status = 0;
        const std::unique_ptr<char, decltype(&std::free)> demangled(
            abi::__cxa_demangle(type->name(), nullptr, nullptr, &status), &std::free);
        return QString::fromLatin1(demangled ? demangled.get() : type->name());
    }
}

} // namespace fw
