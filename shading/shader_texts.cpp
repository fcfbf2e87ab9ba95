// The shader texts. Names inside them are one letter each: varyings a (position), p (clip
// position, unused), k (colour), l (light), n (normal), r (reflection), v (eye); functions m
// (complex product), w (escape time), f (surface), e (material colour).
//
// Four things keep these texts portable to strict compilers (Mesa's among them):
// - "#version 120" opens the prelude, so integer constants convert to float in expressions such
//   as (s-500)/400 and i/64.0; without it GLSL 1.10 rejects them.
// - The material colour `c` is a plain global that the vertex stage hands on through the varying
//   `k` and the fragment stage takes back from it. The doily's `f` writes `c`, and `f` is compiled
//   into the fragment stage as well, where a varying would be read-only.
// - `w` returns (64, 1) for an orbit that stays bounded for all 64 steps, as if it escaped at the
//   last step. The doily's alternating sums assume each term falls as the scale grows; returning
//   (0, 0) there instead drives the height sum negative at about 130,000 grid points and turns
//   the lace dark, while (64, 1) leaves only about 130 such points, which `f` clamps.
// - The escape test |z| > 4 is written as |z|^2 > 16.000002 (the float just above 16): with a
//   correctly rounded square root the two agree for every float, since sqrt(d) rounds above 4
//   exactly when d is at least two steps above 16. It saves a square root in the innermost loop,
//   about a quarter of the doily's drawing time on a software renderer.
#include "shading/shader_texts.h"

const char kPrelude[] =
    "#version 120\n"
    "varying vec3 a;varying vec3 p;varying vec4 k;vec4 c;varying vec3 l;varying vec3 n;"
    "varying vec3 r;varying vec3 v;"
    "vec2 m(vec2 i1, vec2 i2){return vec2(i1.x*i2.x-i1.y*i2.y,i1.x*i2.y+i1.y*i2.x);}"
    "vec2 w(vec2 i1){int i=0;vec2 i2;while(i<64){i2=m(i1,i1);i2=m(i2,i2);i2=m(i2,i2);i1=i2+i1;"
    "float c=i/64.0;if(dot(i1,i1)>16.000002)return vec2(float(i),c);++i;}return vec2(64.0,1.0);}"
    "vec3 f(float s,float t){";

// The five scales are summed in a loop over a table of their factors rather than as five calls
// of `w` in one expression: the same additions in the same order, but one inlined copy of `w`'s
// loop per `f` instead of five. The vertex stage calls `f` five times, and 25 copies of the loop
// take an optimising shader compiler (llvmpipe's) minutes to build.
const char kDoilySnippet[] =
    "vec2 z=vec2((s-500)/400,(t-500)/400);"
    "const float q[5]=float[5](1.0,1.2,1.4,1.6,1.8);"
    "vec2 i=vec2(0.0);for(int j=0;j<5;++j){vec2 d=w(z*q[j]);if(j==1||j==3)i-=d;else i+=d;}"
    "c.r=c.g=0.4*i.y;c.b=0.5*i.y;c.a=i.y*16;"
    "return vec3((s-500)*0.375,2*sqrt(max(i.x,0.0))/8.0-2.0,(t-500)*0.375);}"
    "vec4 e(vec4 c){return c*0.5";

const char kCageSnippet[] = "return a.xyz;}vec4 e(vec4 c){c.r=0.93;c.g=0.91;c.b=0.82;return c";
const char kGlassSnippet[] =
    "return a.xyz;}vec4 e(vec4 c){c.r=0.8;c.g=0.8;c.b=1.0;c.a=0.15;return c";
const char kSwanSnippet[] = "return a.xyz;}vec4 e(vec4 c){return c";
const char kTableSnippet[] = "return a.xyz;}vec4 e(vec4 c){c.r=0.63;c.g=0.60;c.b=0.52;return c";

const char kJoiner[] = ";}void main(){";

// The vertex stage from the position a, the normal n and the colour c on: the clip position and
// the vectors the fragment stage lights with. Shared, as text, by the material programs' vertex
// body and the plain vertex body, so both set up the lighting with the same operations.
#define SWANCAGE_VERTEX_LIGHTING                                                         \
  "vec4 q=gl_ModelViewProjectionMatrix*vec4(a, 1.0);gl_Position=q;p=q.xyz;"              \
  "l=vec3(75,250,20)-a.xyz;v=vec3(300,300,200)-a.xyz;r=normalize(l);r=2.0*n*dot(r,n)-r;" \
  "gl_TexCoord[0]=gl_MultiTexCoord0;k=c;}"

// A zero normal marks a doily grid vertex: its position and normal come from the surface `f` and
// its four neighbours one grid step away. The last `f` call leaves the colour of the neighbour at
// (a.x, a.y - 1) in `c`.
const char kVertexBody[] =
    "a=gl_Vertex.xyz;n=gl_Normal;c=gl_Color;if(length(n)<=0){r=f(a.x,a.y);"
    "vec3 s=normalize(f(a.x+1.0,a.y)-r);vec3 t=normalize(f(a.x,a.y+1.0)-r);"
    "vec3 u=normalize(f(a.x-1.0,a.y)-r);vec3 v=normalize(f(a.x,a.y-1.0)-r);"
    "n=normalize(cross(s,v)+cross(v,u)+cross(u,t)+cross(t,s));a=r;}else "
    "n=normalize(n);" SWANCAGE_VERTEX_LIGHTING;

// What kVertexBody does with a vertex whose normal is not zero, and nothing else: every vertex of
// the table, glass, swan and cage and the doily's lit vertices. Behind the grid vertices' branch
// the same vertices cost llvmpipe about 0.12 s more CPU per frame, most of it the doily's, whose
// branch holds f's five inlined loops.
const char kPlainVertexBody[] =
    "a=gl_Vertex.xyz;n=gl_Normal;c=gl_Color;n=normalize(n);" SWANCAGE_VERTEX_LIGHTING;

const char kFragmentBody[] =
    "c=k;vec4 g=e(c);g.xyz*=clamp(dot(normalize(l),normalize(n)),0.0,1.0);"
    "float h=clamp(dot(normalize(v),normalize(r)),0.0,1.0);g.xyz+=h*h*h*h;gl_FragColor=g;}";

// The doily's surface, once per point: the same f on the same grid coordinates as the doily
// program's vertex stage, which leaves the point and its colour. Nothing is drawn.
const char kDoilySurfaceBody[] = "a=f(gl_Vertex.x,gl_Vertex.y);k=c;gl_Position=vec4(a,1.0);}";

// The doily's normal and colour from the surface pass's records: r is the grid point, g, h, i and
// j its neighbours (row + 1), (column + 1), (row - 1) and (column - 1), e the colour of the last.
// The normal is the doily program's expression, on the same points it evaluates f at.
const char kDoilyLightingStage[] =
    "#version 120\n"
    "attribute vec3 r;attribute vec3 g;attribute vec3 h;attribute vec3 i;attribute vec3 j;"
    "attribute vec4 e;varying vec4 k;varying vec3 n;varying vec3 a;"
    "void main(){vec3 s=normalize(g-r);vec3 t=normalize(h-r);vec3 u=normalize(i-r);"
    "vec3 v=normalize(j-r);n=normalize(cross(s,v)+cross(v,u)+cross(u,t)+cross(t,s));a=r;k=e;"
    "gl_Position=vec4(r,1.0);}";
