// Interpreter speed: a script loop of about 10 million simple actions
//   i = 0; while (i < N) { i = i + 1; }   (timeline variables)
// and the same loop counting in a register. Reported as actions per second.
#include <benchmark/benchmark.h>

#include "avm1/vm.h"
#include "tests/avm1/bytecode_builder.h"
#include "tests/avm1/fake_host.h"

namespace {

using avm1::Op;
using avm1test::Asm;

// while (i < n) i++;  with i a variable (or register 1).
Asm loop(double n, bool inRegister) {
    Asm a;
    if (inRegister) a.num(0).store(1).op(Op::Pop);
    else a.setVar("i", 0);
    std::size_t top = a.here();
    if (inRegister) a.reg(1);
    else a.getVar("i");
    a.num(n).op(Op::Less2).op(Op::Not);
    std::size_t exit = a.branch(Op::If);
    if (inRegister) a.reg(1).op(Op::Increment).store(1).op(Op::Pop);
    else a.str("i").getVar("i").op(Op::Increment).op(Op::SetVariable);
    a.patch(a.branch(Op::Jump), top);
    a.patch(exit, a.here());
    return a;
}

void runLoop(benchmark::State& state, bool inRegister) {
    avm1test::FakeHost host;
    avm1::VmLimits limits;
    limits.stepBudget = 1'000'000'000;
    avm1::Vm vm(host, 7, limits);
    // 10 million actions: 12 per iteration with variables, 10 in a register.
    Asm code = loop(inRegister ? 1'000'000 : 833'334, inRegister);
    std::uint64_t steps = 0;
    for (auto _ : state) {
        std::uint64_t before = vm.stepsExecuted();
        vm.beginFrame();  // each run is a frame of its own
        if (vm.runActions(code.bytes, host.root()) != avm1::RunStatus::Ok) state.SkipWithError("script stopped");
        steps += vm.stepsExecuted() - before;
    }
    state.counters["actions"] = benchmark::Counter(static_cast<double>(steps) / static_cast<double>(state.iterations()));
    state.counters["actions/s"] = benchmark::Counter(static_cast<double>(steps), benchmark::Counter::kIsRate);
}

void BM_LoopVariables(benchmark::State& state) { runLoop(state, false); }
void BM_LoopRegister(benchmark::State& state) { runLoop(state, true); }

}  // namespace

BENCHMARK(BM_LoopVariables)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoopRegister)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
