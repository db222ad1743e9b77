#include "cli/CommandLineApp.h"

#include <algorithm>
#include <charconv>
#include <ostream>

namespace {

constexpr std::size_t kHelpWidth = 100;
constexpr std::size_t kNameWidth = 28;

// Help in the program's one layout: an option and what it takes on the left, its description
// wrapped on the right.
class CHelpFormatter : public CLI::Formatter {
public:
    CHelpFormatter() { column_width(kNameWidth); }
    // What an option takes, as its declaration words it ("N", "DIR (required)"); nothing else.
    std::string make_option_opts(const CLI::Option* pOption) const override {
        return pOption->get_option_text().empty() ? std::string() : " " + pOption->get_option_text();
    }
    std::string make_option_desc(const CLI::Option* pOption) const override {
        std::string text;
        std::size_t nLine = 0;
        const std::string& description = pOption->get_description();
        for (std::size_t i = 0; i < description.size();) {
            const std::size_t nEnd = std::min(description.find(' ', i), description.size());
            const std::size_t nWord = nEnd - i;
            if (nLine > 0 && nLine + 1 + nWord > kHelpWidth - kNameWidth) {
                text += '\n';
                nLine = 0;
            } else if (nLine > 0) {
                text += ' ';
                ++nLine;
            }
            text += description.substr(i, nWord);
            nLine += nWord;
            i = nEnd + 1;
        }
        return text;
    }
};

} // namespace

void SetUpCommand(CLI::App& app, const char* pszCommand, const std::string& strDescription) {
    app.name(std::string("pelmar-cli ") + pszCommand);
    app.description(strDescription);
    app.formatter(std::make_shared<CHelpFormatter>());
    app.footer("Exit status: 0 success, 1 a failed run or a problem found (told on stderr), 2 a usage error\n"
               "or a refused setting (nothing was written).");
}

std::optional<int> ParseCommand(CLI::App& app, const Arguments& args, std::ostream& out, std::ostream& err) {
    // CLI11 takes the words last first.
    std::vector<std::string> reversed(args.rbegin(), args.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::CallForHelp&) {
        out << app.help();
        return 0;
    } catch (const CLI::ParseError& error) {
        err << app.get_name() << ": " << error.what() << "\nTry '" << app.get_name() << " --help'.\n";
        return 2;
    }
    return std::nullopt;
}

CLI::Validator NumberFrom(int nMin, int nMax) {
    return CLI::Validator(
        [nMin, nMax](const std::string& text) {
            int nValue = 0;
            const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), nValue);
            if (ec == std::errc() && ptr == text.data() + text.size() && !text.empty() && nValue >= nMin &&
                nValue <= nMax) {
                return std::string();
            }
            return "'" + text + "' is not a number from " + std::to_string(nMin) + " to " + std::to_string(nMax);
        },
        "N", "number");
}

int UsageError(std::ostream& err, const char* pszCommand, const std::string& strMessage) {
    err << "pelmar-cli " << pszCommand << ": " << strMessage << "\nTry 'pelmar-cli " << pszCommand << " --help'.\n";
    return 2;
}
