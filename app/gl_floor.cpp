// Checks the current context against the oldest GL the picture needs. Below OpenGL 2.0 the loader
// leaves the shader entry points null, and below GLSL 1.20 every shader text fails to compile, so
// both are refused before anything is built, with the driver's own version strings in the message.
#include "app/gl_floor.h"

#include <cstdio>
#include <cstring>

#include "app/process.h"
#include "app/windowing.h"
#include "shading/gl.h"

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

// An indirect GL (GLX over the X protocol) stops at OpenGL 1.4 in Mesa, and X servers refuse it
// by default: that, not the driver, is then what to change.
constexpr char kIndirectAdvice[] =
    "The GL is indirect (LIBGL_ALWAYS_INDIRECT is set, or the display is on another machine), "
    "and the program needs direct rendering: unset LIBGL_ALWAYS_INDIRECT, or run it where the "
    "display is";

}  // namespace

bool load_gl_entry_points() {
  const GLenum status = glewInit();
  if (status == GLEW_OK || gl_loader_failure_is_harmless(status)) return true;
  const bool indirect = gl_context_is_indirect() || gl_may_be_indirect();
  std::fprintf(stderr, "%s: cannot load OpenGL entry points: %s%s%s\n", program_name(),
               reinterpret_cast<const char*>(glewGetErrorString(status)), indirect ? ". " : "",
               indirect ? kIndirectAdvice : "");
  return false;
}

bool lists_extension(const char* list, const char* name) {
  const size_t length = std::strlen(name);
  for (const char* at = list; at && (at = std::strstr(at, name)) != nullptr; at += length)
    if ((at == list || at[-1] == ' ') && (at[length] == ' ' || at[length] == '\0')) return true;
  return false;
}

bool has_gl_floor() {
  const char* gl = gl_string(GL_VERSION);
  const bool gl_ok = version_number(gl, 10) >= kNeededGlMajor * 10 + kNeededGlMinor;
  // Below GL 2.0 the GLSL version can only be asked through ARB_shading_language_100.
  const char* glsl =
      gl_ok || GLEW_ARB_shading_language_100 ? gl_string(GL_SHADING_LANGUAGE_VERSION) : nullptr;
  const bool glsl_ok = version_number(glsl, 100) >= kNeededGlslMajor * 100 + kNeededGlslMinor;
  if (gl_ok && glsl_ok) return true;
  const char* advice = gl_context_is_indirect()
                           ? kIndirectAdvice
                           : "Update the graphics driver, or unset MESA_GL_VERSION_OVERRIDE and "
                             "MESA_GLSL_VERSION_OVERRIDE if they are set";
  std::fprintf(stderr,
               "%s: needs OpenGL %d.%d with GLSL %d.%02d; the driver (%s) offers OpenGL %s "
               "with GLSL %s. %s\n",
               program_name(), kNeededGlMajor, kNeededGlMinor, kNeededGlslMajor, kNeededGlslMinor,
               gl_string(GL_RENDERER) ? gl_string(GL_RENDERER) : "unknown", gl ? gl : "unknown",
               glsl ? glsl : "(no version string)", advice);
  return false;
}
