// Runs vantel as WebAssembly for the tests, on the thread the tests start
// with a large stack.
import { parentPort, workerData } from 'node:worker_threads';

const { runVantel } = await import(workerData.module);
parentPort.on('message', async ({ id, request }) => {
  try {
    parentPort.postMessage({ id, result: await runVantel(request) });
  } catch (error) {
    parentPort.postMessage({ id, error: String(error?.stack ?? error) });
  }
});
