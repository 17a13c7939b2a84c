// The page's runs happen here, off the page's thread: a long run never
// freezes the page, and Stop ends this worker at once. The page hands over
// the compiled module first, so a new worker after Stop needs neither the
// network nor a compilation.
import { prepare, runVantel } from './vantel.js';

self.onmessage = async ({ data }) => {
  if (data.module) {
    await prepare(data.module);
    self.postMessage({ ready: true });
    return;
  }
  try {
    const result = await runVantel(data);
    const transfer = [result.listing, ...Object.values(result.files)].filter(Boolean).map((b) => b.buffer);
    self.postMessage({ result }, transfer);
  } catch (error) {
    self.postMessage({ error: String(error?.message ?? error) });
  }
};
