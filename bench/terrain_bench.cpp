// The ground surface at survey and design-model sizes: a million scattered ground shots
// triangulated (Delaunay), a LandXML TIN of two million faces read, and ten thousand holes
// located on either. The peak resident memory of each benchmark is reported as the counter
// peak_MB: the process's peak is set back to its present size as each begins (Linux), so that
// the TIN's figure is not the triangulation's before it.

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "base/line_reader.h"
#include "input/landxml/landxml_document.h"
#include "input/landxml/landxml_surfaces.h"
#include "terrain/delaunay.h"
#include "terrain/terrain.h"

namespace {

// Sets the process's peak resident memory back to what it holds now (Linux 4.0 and later).
void reset_peak() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

double peak_megabytes() {
    // VmHWM is the peak since reset_peak; getrusage's is the process's whole life.
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmHWM:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// A rolling ground, 350 m give or take a few metres, over a 10 km square of a Gauss-Krüger grid.
double ground(double x, double y) {
    return 350 + 5 * std::sin(x / 300) * std::cos(y / 450) + 0.01 * (x - 3.5e6);
}

std::vector<qelt::TerrainPoint> scattered(std::size_t n) {
    std::mt19937_64 random(2026);
    std::uniform_real_distribution<double> across(0, 10000);
    std::vector<qelt::TerrainPoint> points(n);
    for (auto& p : points) {
        p.x = 3.5e6 + across(random);
        p.y = 5e5 + across(random);
        p.z = ground(p.x, p.y);
    }
    return points;
}

std::vector<qelt::Point> holes(std::size_t n) {
    std::mt19937_64 random(27);
    std::uniform_real_distribution<double> across(100, 9900);
    std::vector<qelt::Point> at(n);
    for (auto& p : at) p = {3.5e6 + across(random), 5e5 + across(random)};
    return at;
}

void locate_all(benchmark::State& state, const qelt::Terrain& terrain) {
    const std::vector<qelt::Point> at = holes(10000);
    for (auto _ : state)
        for (const qelt::Point& p : at) benchmark::DoNotOptimize(terrain.elevation(p));
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(at.size()));
}

// Triangulation and the grid over its triangles, as --terrain builds them from a points file.
void BM_TriangulateMillionPoints(benchmark::State& state) {
    reset_peak();
    const std::vector<qelt::TerrainPoint> points = scattered(1000000);
    std::size_t faces = 0;
    for (auto _ : state) {
        qelt::Terrain terrain(points, qelt::delaunay_faces(points), "bench");
        faces = terrain.face_count();
    }
    state.counters["faces"] = static_cast<double>(faces);
    state.counters["peak_MB"] = peak_megabytes();
}
BENCHMARK(BM_TriangulateMillionPoints)->Unit(benchmark::kSecond)->Iterations(1);

// The same split in its two parts: where the time goes.
void BM_GridOverMillionPointTriangulation(benchmark::State& state) {
    const std::vector<qelt::TerrainPoint> points = scattered(1000000);
    const std::vector<qelt::TerrainFace> faces = qelt::delaunay_faces(points);
    for (auto _ : state) benchmark::DoNotOptimize(qelt::Terrain(points, faces, "bench"));
}
BENCHMARK(BM_GridOverMillionPointTriangulation)->Unit(benchmark::kSecond)->Iterations(1);

// A LandXML file of a regular TIN: 1001 × 1001 points 10 m apart, two faces a cell (2,000,000).
std::string landxml_tin() {
    const std::string path =
        (std::filesystem::temp_directory_path() / "qelt-bench-surface.xml").string();
    std::ofstream out(path);
    out << "<?xml version=\"1.0\"?>\n<LandXML xmlns=\"http://www.landxml.org/schema/LandXML-1.2\">"
           "\n<Units><Metric linearUnit=\"meter\"/></Units>\n<Surfaces>\n<Surface name=\"EG\">\n"
           "<Definition surfType=\"TIN\">\n<Pnts>\n";
    const int n = 1001;
    char line[160];
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
            const double x = 3.5e6 + 10.0 * i, y = 5e5 + 10.0 * j;
            std::snprintf(line, sizeof line, "<P id=\"%d\">%.3f %.3f %.3f</P>\n", i * n + j + 1, x,
                          y, ground(x, y));
            out << line;
        }
    out << "</Pnts>\n<Faces>\n";
    for (int i = 0; i + 1 < n; ++i)
        for (int j = 0; j + 1 < n; ++j) {
            const int a = i * n + j + 1, b = a + 1, c = a + n, d = c + 1;
            out << "<F>" << a << ' ' << b << ' ' << d << "</F>\n<F>" << a << ' ' << d << ' ' << c
                << "</F>\n";
        }
    out << "</Faces>\n</Definition>\n</Surface>\n</Surfaces>\n</LandXML>\n";
    return path;
}

qelt::Terrain read_tin(const std::string& path) {
    qelt::LineReader file(path);
    const qelt::LandXmlDocument document(file);
    return qelt::landxml_terrain(document, std::nullopt);
}

// The whole read as --terrain does it: the file decoded line by line, parsed, the surface's points
// and faces read and the grid over its triangles built.
void BM_ReadLandXmlTwoMillionFaces(benchmark::State& state) {
    const std::string path = landxml_tin();
    reset_peak();
    std::optional<qelt::Terrain> terrain;
    for (auto _ : state) terrain = read_tin(path);
    state.counters["faces"] = static_cast<double>(terrain->face_count());
    state.counters["peak_MB"] = peak_megabytes();
    std::filesystem::remove(path);
    // Ten thousand holes on this surface, timed once (the points' surface has its own benchmark).
    const std::vector<qelt::Point> at = holes(10000);
    const auto start = std::chrono::steady_clock::now();
    double sum = 0;
    for (const qelt::Point& p : at) sum += terrain->elevation(p).value_or(0);
    benchmark::DoNotOptimize(sum);
    state.counters["locate_10000_ms"] =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}
BENCHMARK(BM_ReadLandXmlTwoMillionFaces)->Unit(benchmark::kSecond)->Iterations(1);

void BM_LocateTenThousandHolesOnPoints(benchmark::State& state) {
    const std::vector<qelt::TerrainPoint> points = scattered(1000000);
    const qelt::Terrain terrain(points, qelt::delaunay_faces(points), "bench");
    locate_all(state, terrain);
}
BENCHMARK(BM_LocateTenThousandHolesOnPoints)->Unit(benchmark::kMillisecond);

}  // namespace
