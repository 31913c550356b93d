#include "vst3/support/TestEffect.h"  // first: renames the controller's state pair
#include "vst3/support/TestHost.h"
#include "vst3/IEffectVST3Factory.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

using namespace Steinberg;
using namespace Steinberg::Vst;

// The audio thread processes blocks while UI threads set parameters (as the host and as
// the editor) and save and load the state. The instance mutex keeps every block, state
// transfer and parameter write apart; the thread sanitizer build checks for races.
TEST(AdapterConcurrency, ProcessWhileTheUIChangesParametersAndState)
{
  NamedHostApplication host("Test Host");
  auto* plug = new TestEffect();
  StartPlugin(plug, &host, kSample32, 64);
  TestComponentHandler handler;
  plug->setComponentHandler(&handler);

  std::vector<char> saved;
  {
    TestStream stream;
    ASSERT_EQ(plug->getEditorState(&stream), kResultOk);
    saved = stream.mBytes;
  }

  std::atomic<bool> stop{false};
  std::atomic<int> blocks{0};
  std::thread audio([&] {
    TestBlock block(64);
    TestParamChanges changes;
    block.mData.inputParameterChanges = &changes;
    for (int i = 0; !stop || i < 200; ++i)
    {
      changes.Clear();
      changes.Add(TestEffect::kGain, {(i % 10) / 10.0});
      changes.Add(IEffectVST3::kBypassParamID, {(i % 7) == 0 ? 1.0 : 0.0});
      block.Fill();
      plug->process(block.mData);
      // Whatever happened meanwhile, every output sample comes from this block.
      for (int s = 0; s < 64; ++s)
        if (block.mOut32[0][s] == TestBlock::kMarker) ADD_FAILURE() << "sample " << s << " not written";
      ++blocks;
    }
  });

  std::thread hostUI([&] {
    for (int i = 0; i < 300; ++i)
    {
      plug->setParamNormalized(TestEffect::kMix, (i % 11) / 10.0);
      (void)plug->getParamNormalized(TestEffect::kGain);
      (void)plug->getParamNormalized(IEffectVST3::kBypassParamID);
    }
  });

  std::thread editor([&] {
    for (int i = 0; i < 300; ++i)
    {
      plug->BeginInformHostOfParamChange(TestEffect::kFreq);
      plug->SetParameterFromGUI(TestEffect::kFreq, (i % 5) / 4.0);
      plug->EndInformHostOfParamChange(TestEffect::kFreq);
    }
  });

  std::thread state([&] {
    for (int i = 0; i < 100; ++i)
    {
      TestStream out;
      EXPECT_EQ(plug->getEditorState(&out), kResultOk);
      EXPECT_EQ(out.mBytes.size(), saved.size());
      TestStream in;
      in.mBytes = (i & 1) ? out.mBytes : saved;
      EXPECT_EQ(plug->setEditorState(&in), kResultOk);
    }
  });

  hostUI.join();
  editor.join();
  state.join();
  stop = true;
  audio.join();
  EXPECT_GE(blocks.load(), 200);
  // The editor's edits all reached the host, each bracketed.
  int performs = 0;
  for (const auto& call : handler.mCalls) performs += call.kind == 'p';
  EXPECT_EQ(performs, 300);

  plug->setComponentHandler(nullptr);
  plug->terminate();
  plug->release();
}

// Instances are created from several threads at once through the factory's MakePlug.
TEST(AdapterConcurrency, InstancesCreatedFromSeveralThreads)
{
  std::vector<std::thread> threads;
  std::atomic<int> made{0};
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&] {
      for (int i = 0; i < 20; ++i)
      {
        IEffectVST3* plug = MakePlug();
        if (plug)
        {
          ++made;
          plug->release();
        }
      }
    });
  for (auto& t : threads) t.join();
  EXPECT_EQ(made.load(), 80);
}
