#include "engine/filter_pipe.h"

extern "C" {
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
}

namespace fc {

TFilterGraphPtr TFilterPipe::NewGraph() {
  graph_.reset();
  TFilterGraphPtr graph(avfilter_graph_alloc());
  if (!graph) throw MediaError("out of memory for a filter graph");
  return graph;
}

void TFilterPipe::Install(TFilterGraphPtr graph, AVFilterContext* input, AVFilterContext* output) {
  graph_ = std::move(graph);
  input_ = input;
  output_ = output;
}

TFramePtr TFilterPipe::Receive(bool& drained) {
  TFramePtr frame = AllocFrame();
  const int r = av_buffersink_get_frame(output_, frame.get());
  if (r >= 0) return frame;
  if (r == AVERROR_EOF) drained = true;
  else if (r != AVERROR(EAGAIN)) CheckAv(r, what_);
  return nullptr;
}

void TFilterPipe::Feed(AVFrame* frame) { CheckAv(av_buffersrc_add_frame(input_, frame), what_); }

}  // namespace fc
