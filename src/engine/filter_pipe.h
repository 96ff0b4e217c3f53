#pragma once
// A filter graph fed frame by frame from a source, as the picture and sound processors use it:
// frames are pushed in as the graph asks for them and pulled out filtered; when the source
// ends the graph is flushed so that it gives up what it still holds.

#include <string>
#include <utility>

#include "engine/source.h"

namespace fc {

class TFilterPipe {
public:
  // `what` names the graph in error messages ("sound filters").
  explicit TFilterPipe(std::string what) : what_(std::move(what)) {}

  bool Built() const { return graph_ != nullptr; }
  // Drops the graph and gives an empty one to build aside; Install() takes it over once
  // complete, so that a graph that failed half-way is never used.
  TFilterGraphPtr NewGraph();
  // Drops the graph and reads the source again (after a seek).
  void Restart() {
    graph_.reset();
    source_ended_ = false;
  }
  // Takes over a complete graph with the filters that feed it and that it feeds.
  void Install(TFilterGraphPtr graph, AVFilterContext* input, AVFilterContext* output);
  AVFilterContext* Output() const { return output_; }

  // The next filtered frame, or null at the end. `prepare(in)` sees each source frame before
  // it goes in: it builds the graph when there is none (or rebuilds it) and sets the frame's pts.
  template <class TFrameRecord, class TPrepare>
  TFramePtr Pull(TMediaSource<TFrameRecord>& source, TPrepare&& prepare) {
    for (;;) {
      if (graph_) {
        bool drained = false;
        if (TFramePtr frame = Receive(drained)) return frame;
        if (drained) return nullptr;
      }
      if (source_ended_) return nullptr;
      TFrameRecord in;
      if (!source.Read(in)) {
        source_ended_ = true;
        if (!graph_) return nullptr;
        Feed(nullptr);
        continue;
      }
      prepare(in);
      Feed(in.Frame.get());
    }
  }

private:
  // A frame the graph has ready, or null; `drained` is set once it has given up everything.
  TFramePtr Receive(bool& drained);
  // Pushes a frame in; null flushes the graph.
  void Feed(AVFrame* frame);

  std::string what_;
  TFilterGraphPtr graph_;
  AVFilterContext* input_ = nullptr;
  AVFilterContext* output_ = nullptr;
  bool source_ended_ = false;
};

}  // namespace fc
