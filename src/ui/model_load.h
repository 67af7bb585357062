#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "scene/loaded_files.h"
#include "scene/scene_state.h"

namespace trivane {

// A model file read away from the scene, so that the window keeps drawing
// the model on screen meanwhile; the model read is installed later, on the
// scene's own thread. The reader works on a copy of what it reads of the
// scene (modelSeeds), taken when the load is prepared. What is installed is
// what a load at that later moment would install, as long as no other model
// replaces the scene in between (the window cancels a pending load first):
// the handlers change only the first mesh's placement, which a model that
// installs always sets itself.
class ModelLoad {
public:
    // On the scene's thread: takes what the reader needs from the scene.
    ModelLoad(const SceneState& scene, std::string path);
    ~ModelLoad();
    ModelLoad(const ModelLoad&) = delete;
    ModelLoad& operator=(const ModelLoad&) = delete;

    const std::string& path() const { return path_; }
    // Anywhere, once: opens and reads the file. eachStep is told on the
    // reading thread after every megabyte.
    void run(const std::function<void()>& eachStep = {});
    // From any thread: the read stops at its next step and installs nothing.
    void cancel() { cancelled_.store(true, std::memory_order_relaxed); }
    bool cancelled() const { return cancelled_.load(std::memory_order_relaxed); }
    // Bytes read so far, of the file's size (0 when unknown).
    int64_t bytesRead() const { return bytesRead_.load(std::memory_order_relaxed); }
    int64_t bytesTotal() const { return bytesTotal_.load(std::memory_order_relaxed); }

    // On the scene's thread, after run: installs the model read (nothing
    // after cancel) and says how the load went.
    LoadReport install(SceneState& scene);

private:
    std::unique_ptr<SceneState> seeds_;
    std::string path_;
    ModelFileRead read_;
    std::atomic<bool> cancelled_{false};
    std::atomic<int64_t> bytesRead_{0};
    std::atomic<int64_t> bytesTotal_{0};
};

}  // namespace trivane
