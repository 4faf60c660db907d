#pragma once

#include <stdexcept>
#include <string>

namespace corvel {

// Why the GPU renderer could not be set up. what() is the text shown for it.
class GpuError : public std::runtime_error {
public:
    enum class Kind {
        shaderFunctionMissing,
        shaderSourceMissing,
        shaderCompilationFailed,
        pipelineCreationFailed,
        deviceUnavailable,
        atlasUnavailable,
        samplerUnavailable,
    };

    explicit GpuError(Kind kind, const std::string& argument = {});

    Kind kind() const { return kind_; }
    static std::string describe(Kind kind, const std::string& argument);

private:
    Kind kind_;
};

} // namespace corvel
