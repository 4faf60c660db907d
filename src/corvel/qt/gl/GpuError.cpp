#include "corvel/qt/gl/GpuError.h"

namespace corvel {

GpuError::GpuError(Kind kind, const std::string& argument) : std::runtime_error(describe(kind, argument)), kind_(kind)
{
}

std::string GpuError::describe(Kind kind, const std::string& argument)
{
    switch (kind) {
    case Kind::shaderFunctionMissing: return "OpenGL library missing required function: " + argument;
    case Kind::shaderSourceMissing: return "Failed to load OpenGL shader source: " + argument;
    case Kind::shaderCompilationFailed: return "Failed to compile OpenGL shader source: " + argument;
    case Kind::pipelineCreationFailed: return "Failed to create OpenGL pipeline: " + argument;
    case Kind::deviceUnavailable: return "No OpenGL device is available.";
    case Kind::atlasUnavailable: return "Failed to create the glyph atlas.";
    case Kind::samplerUnavailable: return "Failed to create OpenGL sampler state.";
    }
    return {};
}

} // namespace corvel
