#include "corvel/terminal/ImplicitLinkPattern.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <memory>

namespace corvel {

namespace {

// Three alternatives: a URL with one of the schemes, made of runs of URL
// characters or a bracketed IPv6 host, optionally closed by one bracketed
// word and never ending in "," or "."; a path starting with "../", "./",
// "~/", a $VARIABLE/, a dot-name directory or a single "/", whose segments
// may be separated by single spaces and which may take the trailing spaces
// at the end of the text; and a relative path word/... holding a dot.
constexpr std::string_view patternText
    = R"((?:https?://|mailto:|ftp://|file:|ssh:|git://|ssh://|tel:|magnet:|ipfs://|ipns://|gemini://|gopher://|news:))"
      R"((?:(?:\[[:0-9a-fA-F]+(?:[:0-9a-fA-F]*)+\](?::[0-9]+)?)|[\w\-.~:/?#@!$&*+,;=%]+(?:[\(\[]\w*[\)\]])?)+(?<![,.]))"
      R"(|(?:\.\.\/|\.\/|(?<!\w)~\/|(?:[\w][\w\-.]*\/)*(?<!\w)\$[A-Za-z_]\w*\/|\.[\w][\w\-.]*\/|(?<![\w~\/])\/(?!\/)))"
      R"((?:(?=[\w\-.~:\/?#@!$&*+;=%]*\.)[\w\-.~:\/?#@!$&*+;=%]+(?:(?<!:) (?!\w+:\/\/)[\w\-.~:\/?#@!$&*+;=%]*[\/.])*)"
      R"((?<!:)(?: +(?= *$))?)"
      R"(|(?![\w\-.~:\/?#@!$&*+;=%]*\.)[\w\-.~:\/?#@!$&*+;=%]+(?:(?<!:) (?!\w+:\/\/)[\w\-.~:\/?#@!$&*+;=%]+)*)"
      R"((?<!:)(?: +(?= *$))?))"
      R"(|(?=[\w\-.~:\/?#@!$&*+;=%]*\.)(?<!\w)[\w][\w\-.]*\/[\w\-.~:\/?#@!$&*+;=%]+)"
      R"((?:(?<!:) (?!\w+:\/\/)[\w\-.~:\/?#@!$&*+;=%]*[\/.])*(?<!:)(?: +(?= *$))?)";

// What one thread needs to run the expression: match data, the limits and a
// JIT stack, none of which may be shared between threads running at once.
struct MatchScratch {
    explicit MatchScratch(const pcre2_code* code)
        : data(pcre2_match_data_create_from_pattern(code, nullptr)),
          context(pcre2_match_context_create(nullptr)),
          jitStack(pcre2_jit_stack_create(32 * 1024, 1024 * 1024, nullptr))
    {
        pcre2_set_match_limit(context, ImplicitLinkPattern::matchLimit);
        pcre2_set_depth_limit(context, ImplicitLinkPattern::depthLimit);
        if (jitStack)
            pcre2_jit_stack_assign(context, nullptr, jitStack);
    }
    ~MatchScratch()
    {
        pcre2_jit_stack_free(jitStack);
        pcre2_match_context_free(context);
        pcre2_match_data_free(data);
    }
    MatchScratch(const MatchScratch&) = delete;
    MatchScratch& operator=(const MatchScratch&) = delete;

    pcre2_match_data* data;
    pcre2_match_context* context;
    pcre2_jit_stack* jitStack;
};

size_t nextCharacter(std::string_view text, size_t at)
{
    ++at;
    while (at < text.size() && (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80)
        ++at;
    return at;
}

} // namespace

const ImplicitLinkPattern& ImplicitLinkPattern::shared()
{
    // A function-local static is initialised once, even when two threads
    // get here together.
    static const ImplicitLinkPattern pattern;
    return pattern;
}

ImplicitLinkPattern::ImplicitLinkPattern()
{
    int error = 0;
    PCRE2_SIZE errorOffset = 0;
    pcre2_code* code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(patternText.data()),
                                     patternText.size(),
                                     PCRE2_UTF | PCRE2_UCP,
                                     &error,
                                     &errorOffset,
                                     nullptr);
    if (code)
        pcre2_jit_compile(code, PCRE2_JIT_COMPLETE); // without JIT the interpreter runs
    code_ = code;
}

ImplicitLinkPattern::~ImplicitLinkPattern() { pcre2_code_free(static_cast<pcre2_code*>(code_)); }

bool ImplicitLinkPattern::forEachMatch(std::string_view text, const std::function<bool(const Match&)>& visit) const
{
    if (!code_)
        return false;
    const auto* code = static_cast<const pcre2_code*>(code_);
    thread_local std::unique_ptr<MatchScratch> scratch;
    if (!scratch)
        scratch = std::make_unique<MatchScratch>(code);
    if (!scratch->data || !scratch->context)
        return false;

    const auto* subject = reinterpret_cast<PCRE2_SPTR>(text.data());
    uint32_t options = 0; // the first attempt checks the UTF-8
    int abandoned = 0;
    size_t start = 0;
    while (start <= text.size()) {
        const int rc = pcre2_match(code, subject, text.size(), start, options, scratch->data, scratch->context);
        options = PCRE2_NO_UTF_CHECK;
        if (rc == PCRE2_ERROR_NOMATCH)
            return false;
        if (rc < 0) {
            // Over a limit (or invalid text): give up this start position.
            if (rc == PCRE2_ERROR_BADUTFOFFSET || (rc <= PCRE2_ERROR_UTF8_ERR1 && rc >= PCRE2_ERROR_UTF8_ERR21)) {
                return false;
            }
            if (++abandoned >= maxAbandonedAttempts)
                return false;
            start = nextCharacter(text, start);
            continue;
        }
        const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(scratch->data);
        const Match match{ovector[0], ovector[1]};
        if (visit(match))
            return true;
        start = match.end > match.start ? match.end : nextCharacter(text, match.end);
    }
    return false;
}

} // namespace corvel
