#pragma once
// The library's own log: one UTF-8 line per call, appended to
// "<folder of OrvDown.dll>\Log\OrvDown.log". Any thread.
namespace orvdown {

enum class LogLevel { Info, Warning, Error };

// printf-style wide format (%s = wide string, %S = narrow).
void Log(LogLevel level, const wchar_t* format, ...);

}  // namespace orvdown

#define ORV_INFO(...) ::orvdown::Log(::orvdown::LogLevel::Info, __VA_ARGS__)
#define ORV_WARN(...) ::orvdown::Log(::orvdown::LogLevel::Warning, __VA_ARGS__)
#define ORV_ERROR(...) ::orvdown::Log(::orvdown::LogLevel::Error, __VA_ARGS__)
