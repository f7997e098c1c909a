// The one failure type of the INI reader and writer: what went wrong, as a
// fixed text with a category and a Windows error number, and where (file,
// section, line and the count of lines handled before it).
#pragma once
#include <cstdint>
#include <exception>
#include <string>
#include <utility>

class COvIniFileException : public std::exception {
public:
    enum Category { kCategoryFormat = 4, kCategoryState = 5 };

    COvIniFileException(int category, std::uint32_t errorCode, std::string message)
        : category_(category), errorCode_(errorCode), message_(std::move(message)) {}

    int GetCategory() const { return category_; }
    std::uint32_t GetErrorCode() const { return errorCode_; }
    const std::string& GetMessage() const { return message_; }
    const std::string& GetFileName() const { return fileName_; }
    const std::string& GetSection() const { return section_; }
    const std::string& GetLine() const { return line_; }
    long GetLineNumber() const { return lineNumber_; }
    long GetSecondNumber() const { return 0; }

    void SetContext(std::string fileName, std::string section, std::string line, long lineNumber) {
        fileName_ = std::move(fileName);
        section_ = std::move(section);
        line_ = std::move(line);
        lineNumber_ = lineNumber;
    }

    const char* what() const noexcept override { return message_.c_str(); }

private:
    int category_;
    std::uint32_t errorCode_;
    std::string message_;
    std::string fileName_;
    std::string section_;
    std::string line_;
    long lineNumber_ = 0;
};
