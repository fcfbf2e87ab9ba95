// plain_window: the least a program on this stack can be while it shows a picture. It opens a
// 1280x720 OpenGL window through SDL 1.2, clears it, draws one triangle and swaps once, then waits
// for Escape, reading events every 50 ms. The end-to-end tests take its memory and threads as the
// floor that the stack itself costs, to compare swancage's with once swancage's picture is shown.
// The triangle matters: the first draw brings the software driver's code generator in (some
// 15 MB of its code resident), which every program that draws anything pays. Its window is titled
// "plain-window", so that it is never taken for swancage's. It prints nothing.
#include <SDL.h>
#include <GL/gl.h>

int main(int, char**) {
  if (SDL_Init(SDL_INIT_VIDEO) != 0) return 1;
  if (SDL_SetVideoMode(1280, 720, 32, SDL_OPENGL) == nullptr) return 1;
  SDL_WM_SetCaption("plain-window", "plain-window");
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  glBegin(GL_TRIANGLES);
  glColor3f(1, 0, 0);
  glVertex2f(-0.5f, -0.5f);
  glColor3f(0, 1, 0);
  glVertex2f(0.5f, -0.5f);
  glColor3f(0, 0, 1);
  glVertex2f(0, 0.5f);
  glEnd();
  SDL_GL_SwapBuffers();
  for (;;) {
    SDL_Event event;
    while (SDL_PollEvent(&event))
      if (event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_ESCAPE) {
        SDL_Quit();
        return 0;
      }
    SDL_Delay(50);
  }
}
