// Checks the current context against the oldest GL the picture needs. Below OpenGL 2.0 the loader
// leaves the shader entry points null, and below GLSL 1.20 every shader text fails to compile, so
// both are refused before anything is built, with the driver's own version strings in the message.
#include "app/gl_floor.h"

#include <cstdio>

#include <GL/glew.h>

namespace {

constexpr int kNeededGlMajor = 2, kNeededGlMinor = 0;
constexpr int kNeededGlslMajor = 1, kNeededGlslMinor = 20;

const char* gl_string(GLenum name) {
  const GLubyte* text = glGetString(name);
  return text ? reinterpret_cast<const char*>(text) : nullptr;
}

// "MAJOR.MINOR..." at the start of a version string, as major * 100 + minor; 0 when absent.
// GLSL minors have two digits ("1.20"), GL minors one ("2.0"), so the scale is the caller's.
int version_number(const char* text, int minor_scale) {
  int major = 0, minor = 0;
  if (!text || std::sscanf(text, "%d.%d", &major, &minor) != 2) return 0;
  return major * minor_scale + minor;
}

}  // namespace

bool has_gl_floor() {
  const char* gl = gl_string(GL_VERSION);
  const bool gl_ok = version_number(gl, 10) >= kNeededGlMajor * 10 + kNeededGlMinor;
  // Below GL 2.0 the GLSL version can only be asked through ARB_shading_language_100.
  const char* glsl =
      gl_ok || GLEW_ARB_shading_language_100 ? gl_string(GL_SHADING_LANGUAGE_VERSION) : nullptr;
  const bool glsl_ok = version_number(glsl, 100) >= kNeededGlslMajor * 100 + kNeededGlslMinor;
  if (gl_ok && glsl_ok) return true;
  std::fprintf(stderr,
               "swancage: needs OpenGL %d.%d with GLSL %d.%02d; the driver (%s) offers OpenGL %s "
               "with GLSL %s. Update the graphics driver, or unset MESA_GL_VERSION_OVERRIDE and "
               "MESA_GLSL_VERSION_OVERRIDE if they are set\n",
               kNeededGlMajor, kNeededGlMinor, kNeededGlslMajor, kNeededGlslMinor,
               gl_string(GL_RENDERER) ? gl_string(GL_RENDERER) : "unknown", gl ? gl : "unknown",
               glsl ? glsl : "(no version string)");
  return false;
}
